// ZIP64 at the real limits: a dump of 5 GiB (a sparse file, so it takes almost no disk; its
// archive is a few MiB, zeros deflate well) and an archive of more than 65,535 entries, each
// written by our writer and read back by our reader, Info-ZIP's unzip, 7-Zip, bsdtar and Python.
// Slow (minutes on two cores under the sanitizers): registered as the ctest test "zip64".
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "tests/zip/zip64_check.h"
#include "tests/zip/tools.h"
#include "tests/zip/zip_drive.h"
#include "zip/zip_reader.h"
#include "zip/zip_writer.h"

namespace tarvio::zip {
namespace {

using test::haveTool;
using test::runCommand;
using test::shellQuote;

// Each tool reads the whole archive and reports no error; returns bsdtar's listing.
std::string checkWithTools(test::ZipDrive& drive, const std::string& archive, size_t entries) {
  std::string path = shellQuote(drive.host(archive)), out;
  for (const char* tool : {"unzip", "7z", "bsdtar", "python3"}) {
    if (!haveTool(tool)) ADD_FAILURE() << tool << " is missing (scripts/setup.sh installs it)";
  }
  EXPECT_EQ(runCommand("unzip -tq " + path, &out), 0) << out;
  EXPECT_NE(out.find("No errors detected in compressed data"), std::string::npos) << out;
  EXPECT_EQ(runCommand("7z t " + path, &out), 0) << out;
  EXPECT_NE(out.find("Everything is Ok"), std::string::npos) << out;
  EXPECT_EQ(runCommand("bsdtar -tvf " + path, &out), 0) << out;
  EXPECT_EQ(static_cast<size_t>(std::count(out.begin(), out.end(), '\n')), entries);
  std::string listing = out;
  drive.writeFile("C:\\check.py", test::zip64Check);
  EXPECT_EQ(runCommand("python3 " + shellQuote(drive.host("C:\\check.py")) + " " + path + " 4294967295 65535", &out), 0);
  EXPECT_EQ(out, "checked " + std::to_string(entries) + "\n");
  return listing;
}

TEST(Zip64Large, DumpOfFiveGibibytes) {
  test::ZipDrive drive;
  const uint64_t size = 5ull << 30;
  const std::string dump = drive.host("C:\\Meridano\\Tarvio\\backup\\tarvio.backup");
  drive.writeFile("C:\\Meridano\\Tarvio\\backup\\tarvio.backup", "");
  ASSERT_EQ(truncate(dump.c_str(), static_cast<off_t>(size)), 0);
  {
    // A few bytes that are not zeros: at the start, across the 4 GiB mark and at the end.
    std::fstream f(dump, std::ios::in | std::ios::out | std::ios::binary);
    f.write("PGDMP", 5);
    f.seekp(static_cast<std::streamoff>(0xFFFFFFFFull - 3));
    f.write("4 GiB", 5);
    f.seekp(static_cast<std::streamoff>(size - 4));
    f.write("tail", 4);
    ASSERT_TRUE(f.good());
  }
  ASSERT_EQ(std::filesystem::file_size(dump), size);
  drive.writeFile("C:\\Meridano\\Tarvio\\tomcat9\\work\\tarvio\\esocial\\a.xml", "<a/>");

  const std::string archive = "C:\\Meridano\\Tarvio\\backup\\tarvio-20240305-090703.zip";
  ZipWriter w;
  w.setThreads(2);
  w.create(archive);
  w.setBaseFolder("C:\\Meridano\\Tarvio");
  w.addFiles("C:\\Meridano\\Tarvio\\backup\\tarvio.backup");
  w.setBaseFolder("C:\\Meridano\\Tarvio\\tomcat9\\work\\tarvio");
  w.addFiles("C:\\Meridano\\Tarvio\\tomcat9\\work\\tarvio\\esocial\\*.*");
  w.close();
  EXPECT_LT(std::filesystem::file_size(drive.host(archive)), 64u << 20);
  // The compressed pieces kept in memory take their own size, not the size of the buffer each was
  // compressed into: the peak stays far below the dump's size (sanitizer overhead included).
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  EXPECT_LT(usage.ru_maxrss, 1536 * 1024) << "peak resident KiB";

  ZipReader r;
  r.open(archive);
  auto entries = r.entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "backup/tarvio.backup");
  EXPECT_EQ(entries[0].size, size);
  EXPECT_EQ(entries[1].name, "esocial/a.xml");
  EXPECT_EQ(r.totalSize(), size + 4);
  r.checkExtractable("C:\\Meridano\\Tarvio\\backup\\zip");
  r.verify();
  r.close();
  std::string listing = checkWithTools(drive, archive, 2);
  EXPECT_NE(listing.find(" 5368709120 "), std::string::npos) << listing;
}

TEST(Zip64Large, MoreThan65535Entries) {
  test::ZipDrive drive;
  // 256 folders of 256 empty files: 65,792 entries.
  for (int d = 0; d < 256; ++d) {
    std::string folder = drive.host("C:\\w\\esocial\\p" + std::to_string(d));
    std::filesystem::create_directories(folder);
    for (int f = 0; f < 256; ++f) std::ofstream(folder + "/e" + std::to_string(f) + ".xml");
  }
  ZipWriter w;
  w.create("C:\\many.zip");
  w.setBaseFolder("C:\\w");
  w.addFiles("C:\\w\\esocial\\*.*");
  w.close();

  ZipReader r;
  r.open("C:\\many.zip");
  EXPECT_EQ(r.entries().size(), 65'792u);
  r.verify();
  r.setBaseFolder("C:\\x");
  r.extract();
  r.close();
  EXPECT_TRUE(drive.exists("C:\\x\\esocial\\p255\\e255.xml"));
  std::string bytes = drive.readFile("C:\\many.zip");
  EXPECT_EQ(bytes.substr(bytes.size() - 42, 4), "PK\x06\x07") << "a ZIP64 end record locator";
  checkWithTools(drive, "C:\\many.zip", 65'792);
}

}  // namespace
}  // namespace tarvio::zip
