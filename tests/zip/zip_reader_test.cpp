// The archive reader: extraction below a base folder with times, attributes and replacement,
// archives of other tools, and hostile or damaged archives refused with nothing left outside.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "tests/support/error_text.h"
#include "tests/zip/zip_drive.h"
#include "zip/zip_reader.h"
#include "zip/zip_writer.h"

namespace tarvio::zip {
namespace {

using test::ZipDrive;
namespace stdfs = std::filesystem;

class ZipReaderTest : public ::testing::Test {
 protected:
  ZipDrive drive;
};

TEST_F(ZipReaderTest, ExtractsFoldersFilesTimesAndAttributesAndReplacesReadOnlyFiles) {
  drive.writeFile("C:\\w\\tarvio_nfse\\nota.xml", "<nota/>");
  drive.writeFile("C:\\w\\tarvio_nfse\\.oculto", "h");
  drive.writeFile("C:\\w\\tarvio_nfse\\ação\\recibo-\xe2\x82\xac.pdf", "%PDF");
  drive.makeFolder("C:\\w\\tarvio_nfse\\vazia");
  ASSERT_TRUE(fs().setLastWriteTime("C:\\w\\tarvio_nfse\\nota.xml", LocalTime{2023, 7, 8, 10, 20, 30, 0}));
  ASSERT_TRUE(fs().setAttributes("C:\\w\\tarvio_nfse\\nota.xml", attr::readOnly | attr::archive));
  ZipWriter w;
  w.create("C:\\a.zip");
  w.setBaseFolder("C:\\w");
  w.addFiles("C:\\w\\tarvio_nfse\\*.*");
  w.close();

  drive.writeFile("C:\\out\\tarvio_nfse\\nota.xml", "old content, read-only");
  ASSERT_EQ(chmod(drive.host("C:\\out\\tarvio_nfse\\nota.xml").c_str(), 0444), 0);
  ZipReader r;
  r.open("C:\\a.zip");
  r.setOverwriteAlways(true);
  r.setBaseFolder("C:\\out");
  r.extract("*.*", defaultAttributeFilter);
  r.close();

  EXPECT_EQ(drive.tree("C:\\out"),
            (std::vector<std::string>{"tarvio_nfse/", "tarvio_nfse/.oculto", "tarvio_nfse/ação/",
                                      "tarvio_nfse/ação/recibo-\xe2\x82\xac.pdf", "tarvio_nfse/nota.xml",
                                      "tarvio_nfse/vazia/"}));
  EXPECT_EQ(drive.readFile("C:\\out\\tarvio_nfse\\nota.xml"), "<nota/>");
  EXPECT_EQ(fs().lastWriteTime("C:\\out\\tarvio_nfse\\nota.xml"), (LocalTime{2023, 7, 8, 10, 20, 30, 0}));
  EXPECT_TRUE(*fs().attributes("C:\\out\\tarvio_nfse\\nota.xml") & attr::readOnly);
  EXPECT_EQ(drive.readFile("C:\\out\\tarvio_nfse\\ação\\recibo-\xe2\x82\xac.pdf"), "%PDF");
}

TEST_F(ZipReaderTest, WithoutOverwriteExistingFilesStay) {
  drive.writeFile("C:\\w\\a.txt", "new");
  ZipWriter w;
  w.create("C:\\a.zip");
  w.setBaseFolder("C:\\w");
  w.addFiles("C:\\w\\*.*");
  w.close();
  drive.writeFile("C:\\out\\a.txt", "old");
  ZipReader r;
  r.open("C:\\a.zip");
  r.setBaseFolder("C:\\out");
  r.extract();
  EXPECT_EQ(drive.readFile("C:\\out\\a.txt"), "old");
}

TEST_F(ZipReaderTest, ListsEntriesWithoutExtracting) {
  drive.writeFile("C:\\w\\backup\\tarvio.backup", std::string(10000, 'd'));
  drive.makeFolder("C:\\w\\backup\\vazia");
  ZipWriter w;
  w.create("C:\\a.zip");
  w.setBaseFolder("C:\\w");
  w.addFiles("C:\\w\\backup\\*.*");
  w.close();
  ZipReader r;
  r.open("C:\\a.zip");
  auto list = r.entries();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].name, "backup/tarvio.backup");
  EXPECT_EQ(list[0].size, 10000u);
  EXPECT_EQ(list[0].method, 8);
  EXPECT_FALSE(list[0].isDirectory);
  EXPECT_LT(list[0].compressedSize, 200u);
  EXPECT_EQ(list[1].name, "backup/vazia/");
  EXPECT_TRUE(list[1].isDirectory);
  EXPECT_EQ(list[1].method, 0);
  EXPECT_EQ(drive.tree("C:"),
            (std::vector<std::string>{"a.zip", "w/", "w/backup/", "w/backup/tarvio.backup", "w/backup/vazia/"}));
}

TEST_F(ZipReaderTest, OpenNeverCreatesAndNamesTheArchive) {
  ZipReader r;
  std::string message = test::errorText<ZipError>([&] { r.open("C:\\nope.zip"); });
  EXPECT_NE(message.find("C:\\nope.zip"), std::string::npos) << message;
  EXPECT_FALSE(drive.exists("C:\\nope.zip"));
}

TEST_F(ZipReaderTest, HostileAndDamagedArchivesAreRefused) {
  struct Case {
    const char* fixture;
    const char* message;  // a part of the error's text
    bool nothingWritten;  // refused before any file is written
  } cases[] = {
      {"traversal.zip", "\"../evil.txt\" of the archive \"C:\\in\\traversal.zip\" was refused", true},
      {"absolute.zip", "absolute path", true},
      {"drive.zip", "drive letter", true},
      {"device.zip", "device name", true},
      {"stream.zip", "alternate data stream", true},
      {"backslash-traversal.zip", "\"..\"", true},
      {"encrypted.zip", "\"secret.txt\" of the archive \"C:\\in\\encrypted.zip\" cannot be extracted: it is encrypted", true},
      {"bzip2.zip", "compression method 12, which is not supported", true},
      {"not-a-zip.zip", "The file \"C:\\in\\not-a-zip.zip\" is not a ZIP archive", true},
      {"truncated.zip", "is not a ZIP archive", true},
      {"bad-crc.zip", "\"a.txt\" of the archive \"C:\\in\\bad-crc.zip\" is corrupt: its CRC-32 does not match", false},
      {"data-past-end.zip", "its data runs past the end", true},
      {"bomb.zip", "\"bomb.txt\" of the archive \"C:\\in\\bomb.zip\" is corrupt: it holds more data than its stated size", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fixture);
    std::string archive = drive.fixture(c.fixture);
    std::string message = test::errorText<ZipError>([&] {
      ZipReader r;
      r.open(archive);
      r.setOverwriteAlways(true);
      r.setBaseFolder("C:\\base\\out");
      r.extract("*.*", defaultAttributeFilter);
      r.close();
    });
    EXPECT_NE(message.find(c.message), std::string::npos) << message;
    // Nothing ever lands outside the base folder; a damaged entry leaves no file of its own.
    EXPECT_EQ(drive.tree("C:\\base"), c.nothingWritten ? std::vector<std::string>{} : std::vector<std::string>{"out/"})
        << c.fixture;
    EXPECT_FALSE(stdfs::exists("/tmp/tarvio-evil.txt"));
    EXPECT_FALSE(drive.exists("C:\\evil.txt"));
    EXPECT_FALSE(drive.exists("C:\\base\\evil.txt"));
    drive.makeFolder("C:\\base");
    stdfs::remove_all(drive.host("C:\\base"));
  }
}

TEST_F(ZipReaderTest, ReadsDataDescriptorsZip64RecordsAndBackslashNames) {
  struct Case {
    const char* fixture;
    const char* path;
    std::string content;
  } cases[] = {
      {"data-descriptor.zip", "C:\\out\\stream\\d.txt", [] { std::string s; for (int i = 0; i < 500; ++i) s += "descriptor "; return s; }()},
      {"zip64.zip", "C:\\out\\big\\z.txt", [] { std::string s; for (int i = 0; i < 500; ++i) s += "zip64 "; return s; }()},
      {"backslash.zip", "C:\\out\\dir\\file.txt", "back"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fixture);
    ZipReader r;
    r.open(drive.fixture(c.fixture));
    r.setBaseFolder("C:\\out");
    r.extract();
    EXPECT_EQ(drive.readFile(c.path), c.content);
  }
}

}  // namespace
}  // namespace tarvio::zip
