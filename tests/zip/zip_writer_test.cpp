// The archive writer on a real file system: which entries a mask adds, in which order and under
// which names, and what a failure leaves behind.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <random>

#include "platform/platform.h"
#include "tests/support/error_text.h"
#include "tests/support/failing_file_system.h"
#include "tests/support/scoped_platform.h"
#include "tests/zip/zip_drive.h"
#include "zip/zip_reader.h"
#include "zip/zip_writer.h"

namespace tarvio::zip {
namespace {

using test::ZipDrive;

std::vector<std::string> entryNames(const std::string& archive) {
  ZipReader reader;
  reader.open(archive);
  std::vector<std::string> names;
  for (const auto& e : reader.entries()) names.push_back(e.name);
  return names;
}

class ZipWriterTest : public ::testing::Test {
 protected:
  ZipDrive drive;
  const std::string archive = "C:\\backup\\a.zip";
  void SetUp() override { drive.makeFolder("C:\\backup"); }
};

TEST_F(ZipWriterTest, FolderGroupsKeepFilesFirstThenEachSubfolderAndLaterTreesReplaceEarlierNames) {
  drive.writeFile("C:\\tomcat\\trabalhadores\\f.pdf", "from tomcat");
  drive.writeFile("C:\\tomcat\\trabalhadores\\only-tomcat.xml", "t");
  drive.writeFile("C:\\tomcat\\trabalhadores\\sub\\deep\\g.xml", "g");
  drive.makeFolder("C:\\tomcat\\trabalhadores\\empty");
  drive.makeFolder("C:\\tomcat\\esocial\\x");
  drive.writeFile("C:\\jetty\\trabalhadores\\F.PDF", "from jetty");
  drive.writeFile("C:\\jetty\\trabalhadores\\only-jetty.xml", "j");
  drive.writeFile("C:\\Meridano\\backup\\tarvio.backup", "dump");

  ZipWriter w;
  w.create(archive);
  w.setBaseFolder("C:\\Meridano");
  w.addFiles("C:\\Meridano\\backup\\tarvio.backup");
  w.setBaseFolder("C:\\tomcat");
  w.addFiles("C:\\tomcat\\trabalhadores\\*.*");
  w.addFiles("C:\\tomcat\\esocial\\*.*");
  w.addFiles("C:\\tomcat\\reinf\\*.*");  // missing: adds nothing
  w.setBaseFolder("C:\\jetty");
  w.addFiles("C:\\jetty\\trabalhadores\\*.*");
  w.close();

  std::vector<std::string> names = entryNames(archive);
  // Files of a folder come before its subfolders; the order among siblings is the listing's.
  auto pos = [&](const std::string& n) { return std::find(names.begin(), names.end(), n) - names.begin(); };
  ASSERT_EQ(names.size(), 9u) << ::testing::PrintToString(names);
  EXPECT_EQ(names[0], "backup/tarvio.backup");
  for (const char* n : {"trabalhadores/only-tomcat.xml", "trabalhadores/sub/",
                        "trabalhadores/sub/deep/", "trabalhadores/sub/deep/g.xml", "trabalhadores/empty/",
                        "esocial/x/", "trabalhadores/only-jetty.xml"}) {
    EXPECT_LT(pos(n), static_cast<long>(names.size())) << n;
  }
  EXPECT_EQ(std::count_if(names.begin(), names.end(),
                          [](const std::string& n) { return n == "trabalhadores/f.pdf" || n == "trabalhadores/F.PDF"; }),
            1);
  EXPECT_LT(pos("trabalhadores/only-tomcat.xml"), pos("trabalhadores/sub/"));
  EXPECT_LT(pos("trabalhadores/sub/"), pos("trabalhadores/sub/deep/"));
  EXPECT_LT(pos("trabalhadores/sub/deep/"), pos("trabalhadores/sub/deep/g.xml"));
  EXPECT_EQ(names.back(), "trabalhadores/only-jetty.xml");

  ZipReader r;
  r.open(archive);
  r.setBaseFolder("C:\\x");
  r.extract();
  std::string pdf = drive.exists("C:\\x\\trabalhadores\\f.pdf") ? "C:\\x\\trabalhadores\\f.pdf" : "C:\\x\\trabalhadores\\F.PDF";
  EXPECT_EQ(drive.readFile(pdf), "from jetty");
  EXPECT_EQ(drive.readFile("C:\\x\\backup\\tarvio.backup"), "dump");
}

TEST_F(ZipWriterTest, EmptySourceFolderAddsNothingAndMissingSingleFileAddsNothing) {
  drive.makeFolder("C:\\w\\esocial");
  ZipWriter w;
  w.create(archive);
  w.setBaseFolder("C:\\w");
  w.addFiles("C:\\w\\esocial\\*.*");
  w.addFiles("C:\\w\\nope.txt");
  w.close();
  EXPECT_TRUE(entryNames(archive).empty());
}

TEST_F(ZipWriterTest, MaskWithAPatternAddsOnlyMatchingFilesButEveryFolder) {
  drive.writeFile("C:\\w\\a.xml", "a");
  drive.writeFile("C:\\w\\b.pdf", "b");
  drive.writeFile("C:\\w\\s\\c.xml", "c");
  drive.writeFile("C:\\w\\s\\d.txt", "d");
  ZipWriter w;
  w.create(archive);
  w.setBaseFolder("C:\\w");
  w.addFiles("C:\\w\\*.xml");
  w.close();
  EXPECT_EQ(entryNames(archive), (std::vector<std::string>{"a.xml", "s/", "s/c.xml"}));
}

TEST_F(ZipWriterTest, ArchiveReplacesAnExistingFileAndLeavesNoTemporaryFile) {
  drive.writeFile("C:\\backup\\a.zip", "an older archive");
  drive.writeFile("C:\\w\\a.txt", "hello");
  ZipWriter w;
  w.create(archive);
  w.setBaseFolder("C:\\w");
  w.addFiles("C:\\w\\*.*");
  w.close();
  EXPECT_EQ(entryNames(archive), std::vector<std::string>{"a.txt"});
  EXPECT_EQ(drive.tree("C:\\backup"), std::vector<std::string>{"a.zip"});
}

TEST_F(ZipWriterTest, LargeMixedFileRoundTripsThroughParallelPieces) {
  // Several pieces: compressible text, random bytes (stored blocks) and an empty tail region.
  std::mt19937 rng(7);
  std::string data;
  for (int i = 0; data.size() < 3'500'000; ++i) data += "<linha n=\"" + std::to_string(i) + "\">texto</linha>\n";
  for (int i = 0; i < 2'000'000; ++i) data.push_back(static_cast<char>(rng()));
  data += std::string(700'000, 'z');
  drive.writeFile("C:\\w\\big.bin", data);
  drive.writeFile("C:\\w\\empty.bin", "");
  ZipWriter w;
  w.setThreads(3);
  w.create(archive);
  w.setBaseFolder("C:\\w");
  w.addFiles("C:\\w\\*.*");
  w.close();

  ZipReader r;
  r.open(archive);
  r.test();
  for (const auto& e : r.entries()) EXPECT_EQ(e.method, 8) << e.name;
  r.setBaseFolder("C:\\x");
  r.extract();
  EXPECT_TRUE(drive.readFile("C:\\x\\big.bin") == data);
  EXPECT_EQ(drive.readFile("C:\\x\\empty.bin"), "");
  EXPECT_LT(std::filesystem::file_size(drive.host(archive)), data.size() / 2);
}

TEST_F(ZipWriterTest, LargeEntryRereadsStoredPiecesAndSpoolsDeflatedOnes) {
  // With small limits, a file of random and of text pieces takes every path of a large entry:
  // stored pieces read again from the source, deflated ones kept in memory and then spooled.
  std::mt19937 rng(11);
  std::string data;
  for (int part = 0; part < 3; ++part) {
    for (int i = 0; i < 1'500'000; ++i) data.push_back(static_cast<char>(rng()));
    for (int i = 0; i < 1'500'000; ++i) data.push_back(static_cast<char>('a' + rng() % 4));
  }
  drive.writeFile("C:\\w\\big.backup", data);
  ZipWriter w;
  w.setMemoryLimits(4u << 20, 1u << 20);
  w.create(archive);
  w.setBaseFolder("C:\\w");
  w.addFiles("C:\\w\\big.backup");
  w.close();
  EXPECT_EQ(drive.tree("C:\\backup"), std::vector<std::string>{"a.zip"}) << "no spool file left";
  ZipReader r;
  r.open(archive);
  r.setBaseFolder("C:\\x");
  r.extract();
  EXPECT_TRUE(drive.readFile("C:\\x\\big.backup") == data);
}

TEST_F(ZipWriterTest, FileVanishingBeforeCloseLeavesNoArchiveNoTemporaryAndKeepsTheOldArchive) {
  drive.writeFile("C:\\backup\\a.zip", "the previous archive");
  drive.writeFile("C:\\w\\a.txt", std::string(3'000'000, 'a'));
  drive.writeFile("C:\\w\\b.txt", "b");
  drive.writeFile("C:\\w\\c.txt", "c");
  ZipWriter w;
  w.create(archive);
  w.setBaseFolder("C:\\w");
  w.addFiles("C:\\w\\*.*");
  std::filesystem::remove(drive.host("C:\\w\\b.txt"));
  std::string m = test::errorText<ZipError>([&] { w.close(); });
  EXPECT_NE(m.find("C:\\backup\\a.zip"), std::string::npos) << m;
  EXPECT_NE(m.find("C:\\w\\b.txt"), std::string::npos) << m;
  EXPECT_EQ(drive.tree("C:\\backup"), std::vector<std::string>{"a.zip"});
  EXPECT_EQ(drive.readFile("C:\\backup\\a.zip"), "the previous archive");
}

TEST_F(ZipWriterTest, DiskFillingUpIsAnErrorSayingSoAndLeavesOnlyTheOldArchive) {
  // One large entry whose stored pieces are read again from the source and whose deflated
  // pieces go to the spool file (small memory limits), and a few small ones.
  std::mt19937 rng(5);
  std::string data;
  for (int i = 0; i < 1'500'000; ++i) data.push_back(static_cast<char>(rng()));
  for (int i = 0; data.size() < 5'000'000; ++i) data += "<linha n=\"" + std::to_string(i * 7919 % 100'003) + "\"/>\n";
  drive.writeFile("C:\\w\\big.backup", data);
  for (int i = 0; i < 5; ++i) drive.writeFile("C:\\w\\s\\" + std::to_string(i) + ".xml", "<x/>");
  // With the classic records, and with ZIP64 records everywhere (limits lowered).
  for (Zip64Thresholds limits : {Zip64Thresholds{}, Zip64Thresholds{4096, 4}}) {
    SCOPED_TRACE(limits.size);
    auto write = [&] {
      ZipWriter w;
      w.setMemoryLimits(4u << 20, 64u << 10);
      w.setZip64Thresholds(limits);
      w.create(archive);
      w.setBaseFolder("C:\\w");
      w.addFiles("C:\\w\\*.*");
      w.close();
    };
    uint64_t needed = 0;
    {
      test::FailingFileSystem counted(fs());
      test::ScopedPlatform installed([&](Platform& p) { p.fs = &counted; });
      write();
      needed = counted.written();
    }
    ASSERT_GT(needed, std::filesystem::file_size(drive.host(archive))) << "the spool file was written too";
    for (uint64_t freeBytes : {uint64_t{0}, needed / 3, needed - 1}) {
      SCOPED_TRACE(freeBytes);
      drive.writeFile(archive, "the previous archive");
      test::FailingFileSystem full(fs());
      full.diskFullAfter = freeBytes;
      test::ScopedPlatform installed([&](Platform& p) { p.fs = &full; });
      std::string m = test::errorText<ZipError>(write);
      EXPECT_EQ(m.rfind("Cannot write the archive \"C:\\backup\\a.zip\": Cannot write file \"C:\\backup\\a.zip.", 0), 0u) << m;
      EXPECT_NE(m.find("There is not enough space on the disk"), std::string::npos) << m;
      EXPECT_EQ(drive.tree("C:\\backup"), std::vector<std::string>{"a.zip"});
      EXPECT_EQ(drive.readFile(archive), "the previous archive");
    }
  }
}

TEST_F(ZipWriterTest, DiskFillingUpDuringExtractionLeavesNoHalfWrittenFile) {
  std::mt19937 rng(6);
  std::string data;
  for (int i = 0; i < 3'000'000; ++i) data.push_back(static_cast<char>(rng()));
  drive.writeFile("C:\\w\\big.backup", data);
  ZipWriter w;
  w.create(archive);
  w.setBaseFolder("C:\\w");
  w.addFiles("C:\\w\\*.*");
  w.close();
  test::FailingFileSystem full(fs());
  full.diskFullAfter = 1'000'000;
  test::ScopedPlatform installed([&](Platform& p) { p.fs = &full; });
  ZipReader r;
  r.open(archive);
  r.setBaseFolder("C:\\x");
  std::string m = test::errorText([&] { r.extract(); });
  EXPECT_NE(m.find("There is not enough space on the disk"), std::string::npos) << m;
  EXPECT_EQ(drive.tree("C:\\x"), std::vector<std::string>{});
}

TEST_F(ZipWriterTest, UnwritableArchiveFolderIsAnErrorNamingTheArchive) {
  drive.writeFile("C:\\w\\a.txt", "a");
  ZipWriter w;
  w.create("C:\\missing\\a.zip");
  w.setBaseFolder("C:\\w");
  w.addFiles("C:\\w\\*.*");
  std::string m = test::errorText<ZipError>([&] { w.close(); });
  EXPECT_NE(m.find("C:\\missing\\a.zip"), std::string::npos) << m;
  EXPECT_FALSE(drive.exists("C:\\missing"));
}

TEST_F(ZipWriterTest, WriterDestroyedWithoutCloseLeavesNothing) {
  drive.writeFile("C:\\w\\a.txt", "a");
  {
    ZipWriter w;
    w.create(archive);
    w.setBaseFolder("C:\\w");
    w.addFiles("C:\\w\\*.*");
  }
  EXPECT_EQ(drive.tree("C:\\backup"), std::vector<std::string>{});
}

}  // namespace
}  // namespace tarvio::zip
