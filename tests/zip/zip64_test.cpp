// ZIP64 records exactly where a value outgrows its classic field, in whole archives written with
// lowered limits and read back by our reader and by Info-ZIP, 7-Zip and Python (the records
// themselves: zip_records_test.cpp).
#include <gtest/gtest.h>

#include <random>
#include <vector>

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

// A whole archive with the limits lowered, so that each kind of ZIP64 record appears in a few
// kilobytes: entries whose size, compressed size or offset reach 4096, and more than 4 entries;
// with limits that nothing reaches, the same archive holds no ZIP64 record.
TEST(Zip64Archive, LoweredLimitsGiveAnArchiveThatEveryReaderReadsBack) {
  test::ZipDrive drive;
  std::mt19937 rng(64);
  std::string noise, text;
  for (int i = 0; i < 10'000; ++i) noise.push_back(static_cast<char>(rng()));
  for (int i = 0; text.size() < 20'000; ++i) text += "<n>" + std::to_string(i % 10) + "</n>\n";
  drive.writeFile("C:\\w\\d\\aleatorio.bin", noise);  // both sizes reach the limit
  drive.writeFile("C:\\w\\d\\texto.xml", text);       // only the uncompressed size does
  drive.writeFile("C:\\w\\d\\pequeno.txt", "small");  // only its offset does
  drive.writeFile("C:\\w\\d\\vazio.txt", "");
  drive.makeFolder("C:\\w\\d\\vazia");
  for (const auto& [limits, zip64End] : {std::pair{Zip64Thresholds{4096, 4}, true}, std::pair{Zip64Thresholds{1u << 20, 6}, false}}) {
    SCOPED_TRACE(limits.size);
    ZipWriter w;
    w.setZip64Thresholds(limits);
    w.create("C:\\a.zip");
    w.setBaseFolder("C:\\w");
    w.addFiles("C:\\w\\d\\aleatorio.bin");
    w.addFiles("C:\\w\\d\\texto.xml");
    w.addFiles("C:\\w\\d\\pequeno.txt");
    w.addFiles("C:\\w\\d\\vazio.txt");
    w.addFiles("C:\\w\\d\\*.");  // the folder only
    w.close();

    ZipReader r;
    r.open("C:\\a.zip");
    r.test();
    std::vector<std::pair<std::string, uint64_t>> listed;
    for (const auto& e : r.entries()) listed.emplace_back(e.name, e.size);
    EXPECT_EQ(listed, (std::vector<std::pair<std::string, uint64_t>>{
                          {"d/aleatorio.bin", 10'000}, {"d/texto.xml", text.size()}, {"d/pequeno.txt", 5},
                          {"d/vazio.txt", 0}, {"d/vazia/", 0}}));
    r.setBaseFolder("C:\\x");
    r.setOverwriteAlways(true);
    r.extract();
    EXPECT_TRUE(drive.readFile("C:\\x\\d\\aleatorio.bin") == noise);
    EXPECT_TRUE(drive.readFile("C:\\x\\d\\texto.xml") == text);
    EXPECT_EQ(drive.readFile("C:\\x\\d\\pequeno.txt"), "small");

    std::string archive = shellQuote(drive.host("C:\\a.zip")), out;
    std::string tail = drive.readFile("C:\\a.zip").substr(drive.readFile("C:\\a.zip").size() - 42, 4);
    EXPECT_EQ(tail == "PK\x06\x07", zip64End);
    if (haveTool("python3")) {
      drive.writeFile("C:\\check.py", test::zip64Check);
      EXPECT_EQ(runCommand("python3 " + shellQuote(drive.host("C:\\check.py")) + " " + archive + " " +
                               std::to_string(limits.size) + " " + std::to_string(limits.entries), &out), 0) << out;
      EXPECT_EQ(out, "checked 5\n");
    }
    if (haveTool("unzip")) {
      EXPECT_EQ(runCommand("unzip -t " + archive, &out), 0) << out;
      EXPECT_NE(out.find("No errors detected in compressed data"), std::string::npos) << out;
    }
    if (haveTool("7z")) {
      EXPECT_EQ(runCommand("7z t " + archive, &out), 0) << out;
      EXPECT_NE(out.find("Everything is Ok"), std::string::npos) << out;
    }
  }
}

}  // namespace
}  // namespace tarvio::zip
