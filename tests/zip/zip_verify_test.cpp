// The read-back check after writing: local headers that disagree with the central directory,
// overlapping entries and damaged data are each reported with the entry named; archives of ours
// and of other tools pass.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/error_text.h"
#include "tests/zip/zip_drive.h"
#include "zip/zip_reader.h"
#include "zip/zip_writer.h"

namespace tarvio::zip {
namespace {

namespace stdfs = std::filesystem;

class ZipVerifyTest : public ::testing::Test {
 protected:
  test::ZipDrive drive;
};

TEST_F(ZipVerifyTest, FaultsAreReportedWithTheEntryAndWhatIsWrong) {
  struct Case {
    const char* fixture;
    const char* message;
  } cases[] = {
      {"flipped-byte.zip",
       "The entry \"a.txt\" of the archive \"C:\\in\\flipped-byte.zip\" is corrupt: its CRC-32 does not match "
       "(the data is damaged)"},
      {"local-name.zip",
       "The entry \"good.txt\" of the archive \"C:\\in\\local-name.zip\" is corrupt: its local header names it "
       "\"evil.txt\""},
      {"local-size.zip",
       "The entry \"a.txt\" of the archive \"C:\\in\\local-size.zip\" is corrupt: its local header gives the size "
       "6079, the central directory 6080"},
      {"local-method.zip",
       "The entry \"a.txt\" of the archive \"C:\\in\\local-method.zip\" is corrupt: its local header gives "
       "compression method 0, the central directory 8"},
      {"bad-descriptor.zip",
       "The entry \"stream/d.txt\" of the archive \"C:\\in\\bad-descriptor.zip\" is corrupt: its data descriptor "
       "does not match the central directory"},
      {"overlap-bomb.zip",
       "The entry \"b001\" of the archive \"C:\\in\\overlap-bomb.zip\" is corrupt: its local header and data "
       "overlap those of the entry \"b000\""},
      {"bomb.zip",
       "The entry \"bomb.txt\" of the archive \"C:\\in\\bomb.zip\" is corrupt: it holds more data than its stated "
       "size"},
      {"data-past-end.zip",
       "The entry \"a.txt\" of the archive \"C:\\in\\data-past-end.zip\" is corrupt or truncated: its data runs "
       "past the end of the archive's data"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fixture);
    ZipReader r;
    r.open(drive.fixture(c.fixture));
    EXPECT_EQ(test::errorText<ZipError>([&] { r.verify(); }), c.message);
  }
}

TEST_F(ZipVerifyTest, ArchivesOfOursAndUnusualOnesOfOthersPass) {
  drive.writeFile("C:\\w\\backup\\tarvio.backup", std::string(3'000'000, 'd'));
  drive.writeFile("C:\\w\\esocial\\a.xml", "<a/>");
  drive.makeFolder("C:\\w\\esocial\\vazia");
  ZipWriter w;
  w.create("C:\\a.zip");
  w.setBaseFolder("C:\\w");
  w.addFiles("C:\\w\\backup\\tarvio.backup");
  w.addFiles("C:\\w\\esocial\\*.*");
  w.close();
  for (std::string archive : {std::string("C:\\a.zip"), drive.fixture("data-descriptor.zip"),
                              drive.fixture("zip64.zip"), drive.fixture("backslash.zip")}) {
    SCOPED_TRACE(archive);
    ZipReader r;
    r.open(archive);
    EXPECT_NO_THROW(r.verify());
  }
}

}  // namespace
}  // namespace tarvio::zip
