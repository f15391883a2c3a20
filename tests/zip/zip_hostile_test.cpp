// Hostile archives are refused before anything is written, with the entry named: the same check
// through checkExtractable() and through extract(), so that the two can never disagree.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/archive_builder.h"
#include "tests/support/error_text.h"
#include "tests/zip/zip_drive.h"
#include "zip/name_checks.h"
#include "zip/zip_reader.h"

namespace tarvio::zip {
namespace {

using test::BuiltEntry;
namespace stdfs = std::filesystem;

const std::string base = "C:\\base\\out";

std::string repeat(const std::string& s, size_t n) {
  std::string out;
  for (size_t i = 0; i < n; ++i) out += s;
  return out;
}

// A name whose extraction path below `base` has exactly `units` characters.
std::string nameForPathLength(size_t units) {
  std::string name;
  size_t room = units - base.size() - 1;
  while (room > 0) {
    size_t part = std::min<size_t>(room, 200);
    if (!name.empty()) {
      name += "/";
      --room;
      part = std::min(room, part);
    }
    name += std::string(part, 'p');
    room -= part;
  }
  return name;
}

class ZipHostileTest : public ::testing::Test {
 protected:
  test::ZipDrive drive;
  // The archive of these entries, on the drive.
  std::string archive(const std::string& name, const std::vector<BuiltEntry>& entries) {
    drive.writeFile("C:\\in\\" + name, test::buildArchive(entries));
    return "C:\\in\\" + name;
  }
};

TEST_F(ZipHostileTest, RefusedWithTheEntryNamedBeforeAnythingIsWritten) {
  std::string longPart = "esocial/" + std::string(256, 'a');
  std::string longAccents = repeat("\xc3\xa7", 128);  // 128 characters, 256 bytes
  std::string longPath = nameForPathLength(maxPathUnits + 1);
  struct Case {
    std::string archive;
    std::string message;
  } cases[] = {
      {archive("case.zip", {{"backup/tarvio.backup", "d"}, {"BACKUP/TARVIO.BACKUP", "e"}}),
       "The entry \"BACKUP/TARVIO.BACKUP\" of the archive \"C:\\in\\case.zip\" was refused: another entry has "
       "the same name regardless of letter case: \"backup/tarvio.backup\""},
      {archive("accents.zip", {{"a\xc3\xa7\xc3\xa3o/\xc3\xa9.xml", "1"}, {"A\xc3\x87\xc3\x83O/\xc3\x89.XML", "2"}}),
       "The entry \"A\xc3\x87\xc3\x83O/\xc3\x89.XML\" of the archive \"C:\\in\\accents.zip\" was refused: another entry "
       "has the same name regardless of letter case: \"a\xc3\xa7\xc3\xa3o/\xc3\xa9.xml\""},
      {archive("twice.zip", {{"esocial/", ""}, {"esocial/", ""}}),
       "The entry \"esocial/\" of the archive \"C:\\in\\twice.zip\" was refused: another entry has the same name "
       "regardless of letter case: \"esocial/\""},
      {archive("file-then-folder.zip", {{"esocial/x", "f"}, {"esocial/x/y.txt", "y"}}),
       "The entry \"esocial/x/y.txt\" of the archive \"C:\\in\\file-then-folder.zip\" was refused: \"esocial/x\" "
       "is both a file and a folder in the archive"},
      {archive("folder-then-file.zip", {{"esocial/x/y.txt", "y"}, {"ESOCIAL/X", "f"}}),
       "The entry \"ESOCIAL/X\" of the archive \"C:\\in\\folder-then-file.zip\" was refused: \"ESOCIAL/X\" is "
       "both a file and a folder in the archive"},
      {archive("folder-entry-and-file.zip", {{"esocial/x/", ""}, {"esocial/x", "f"}}),
       "The entry \"esocial/x\" of the archive \"C:\\in\\folder-entry-and-file.zip\" was refused: \"esocial/x\" "
       "is both a file and a folder in the archive"},
      {archive("nul.zip", {{"ok.txt", "ok"}, {std::string("backup/a\0b.txt", 14), "x"}}),
       "The entry \"backup/a\\x00b.txt\" of the archive \"C:\\in\\nul.zip\" was refused: the name holds a control "
       "character"},
      {archive("newline.zip", {{"esocial/a\nb\r\t\x7f.xml", "x"}}),
       "The entry \"esocial/a\\nb\\r\\t\\x7f.xml\" of the archive \"C:\\in\\newline.zip\" was refused: the name "
       "holds a control character"},
      {archive("long-part.zip", {{longPart, "x"}}),
       "The entry \"" + longPart + "\" of the archive \"C:\\in\\long-part.zip\" was refused: a part of its name "
       "is longer than 255 bytes"},
      {archive("long-accents.zip", {{longAccents, "x"}}),
       "The entry \"" + longAccents + "\" of the archive \"C:\\in\\long-accents.zip\" was refused: a part of its "
       "name is longer than 255 bytes"},
      {archive("long-path.zip", {{longPath, "x"}}),
       "The entry \"" + longPath + "\" of the archive \"C:\\in\\long-path.zip\" was refused: its path below "
       "\"C:\\base\\out\" would be longer than 32000 characters"},
      {drive.fixture("overlap-bomb.zip"),
       "The entry \"b001\" of the archive \"C:\\in\\overlap-bomb.zip\" is corrupt: its local header and data "
       "overlap those of the entry \"b000\""},
      {drive.fixture("local-name.zip"),
       "The entry \"good.txt\" of the archive \"C:\\in\\local-name.zip\" is corrupt: its local header names it "
       "\"evil.txt\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    ZipReader r;
    r.open(c.archive);
    EXPECT_EQ(test::errorText<ZipError>([&] { r.checkExtractable(base); }), c.message) << "checkExtractable()";
    r.setOverwriteAlways(true);
    r.setBaseFolder(base);
    EXPECT_EQ(test::errorText<ZipError>([&] { r.extract(); }), c.message) << "extract()";
    EXPECT_EQ(drive.tree("C:\\base"), std::vector<std::string>{});
  }
}

TEST_F(ZipHostileTest, NamesAtTheLimitsAndFoldersOfOneNamePass) {
  std::string part255 = std::string(255, 'a');
  std::string accents255 = repeat("\xc3\xa7", 127) + "a";
  std::string path32000 = nameForPathLength(maxPathUnits);
  ZipReader r;
  r.open(archive("limits.zip", {{"esocial/" + part255, "a"},
                                {"esocial/" + accents255, "b"},
                                {"Esocial/x/", ""},
                                {"esocial/X/y.txt", "y"},
                                {path32000, "p"}}));
  r.checkExtractable(base);
  EXPECT_EQ(r.totalSize(), 4u);
  // The path of 32,000 characters is more than Linux takes: extract what it does take.
  r.close();
  r.open(archive("short.zip", {{"esocial/" + part255, "a"}, {"esocial/" + accents255, "b"},
                               {"Esocial/x/", ""}, {"esocial/X/y.txt", "y"}}));
  r.setBaseFolder(base);
  r.extract();
  EXPECT_EQ(drive.readFile(base + "\\esocial\\" + part255), "a");
  EXPECT_EQ(drive.readFile(base + "\\esocial\\" + accents255), "b");
}

}  // namespace
}  // namespace tarvio::zip
