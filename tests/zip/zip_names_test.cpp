// Entry-name rules: encoding choice, case-insensitive identity, masks, the attribute filter,
// the names refused on extraction, and MS-DOS times.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "tests/support/scoped_platform.h"
#include "tests/zip/zip_drive.h"
#include "zip/zip_format.h"
#include "zip/zip_names.h"

namespace tarvio::zip {
namespace {

TEST(ZipNames, OemWhenExactOtherwiseUtf8) {
  test::ZipDrive drive;  // installs the real code pages (OEM 850)
  struct Case {
    std::string name;
    bool utf8;
    std::string bytes;
  } cases[] = {
      {"esocial/a.xml", false, "esocial/a.xml"},
      {"ação/Ü.pdf", false, "a\x87\xc6o/\x9a.pdf"},
      // In the ANSI page (1252) but not in OEM 850: stored as UTF-8, or it would come back renamed.
      {"recibo-\xe2\x82\xac.pdf", true, "recibo-\xe2\x82\xac.pdf"},
      {"\xe6\x97\xa5\xe6\x9c\xac.txt", true, "\xe6\x97\xa5\xe6\x9c\xac.txt"},
  };
  for (const auto& c : cases) {
    StoredName s = encodeEntryName(c.name);
    EXPECT_EQ(s.utf8, c.utf8) << c.name;
    EXPECT_EQ(s.bytes, c.bytes) << c.name;
    EXPECT_EQ(decodeEntryName(s.bytes, s.utf8), c.name);
  }
  EXPECT_EQ(decodeEntryName("\xff\xfe", true), std::nullopt);
}

// Code pages where the OEM page is UTF-8, as Windows' "Beta: UTF-8" setting makes it.
class Utf8OemPages : public CodePages {
 public:
  Encoded toAnsi(std::string_view utf8) const override { return {std::string(utf8), true}; }
  std::string fromAnsi(std::string_view bytes) const override { return std::string(bytes); }
  Encoded toOem(std::string_view utf8) const override { return {std::string(utf8), true}; }
  std::string fromOem(std::string_view bytes) const override { return std::string(bytes); }
};

TEST(ZipNames, WithUtf8AsTheOemPageANonAsciiNameIsFlaggedAsUtf8) {
  Utf8OemPages pages;
  test::ScopedPlatform installed([&](Platform& p) { p.codePages = &pages; });
  EXPECT_EQ(encodeEntryName("ação/Ü.pdf").utf8, true);
  EXPECT_EQ(encodeEntryName("esocial/a.xml").utf8, false);
}

TEST(ZipNames, AttributeFilter) {
  struct Case {
    uint32_t attributes;
    bool taken;
  } cases[] = {
      {0, true},       {0x20, true},  {0x01 | 0x02 | 0x04, true}, {0x80, true},  {0x2000, true},
      {0x100, false},  {0x1000, false}, {0x4000, false},           {0x400, false}, {0x200 | 0x100, false},
  };
  for (const auto& c : cases) EXPECT_EQ(attributesPass(c.attributes, 10431), c.taken) << std::hex << c.attributes;
}

TEST(ZipNames, UnsafeNamesAreRefusedAndOrdinaryOnesPass) {
  for (const char* bad : {"../evil.txt", "a/../../evil", "/etc/passwd", "\\windows\\x", "C:/x.txt", "c:x",
                          "a/b:stream", "con", "a/NUL.txt", "com1.log", "LPT9", "a//b", "a/./b", ". /x", "..",
                          "a\x01.txt", "a/b?c", "", "x/.../y"}) {
    EXPECT_TRUE(unsafeNameReason(bad).has_value()) << bad;
  }
  for (const char* good : {"backup/tarvio.backup", "esocial/x/", "a.b/c d.xml", "console.txt", "com10.txt",
                           "ação/é.pdf", ".hidden", "..a"}) {
    EXPECT_FALSE(unsafeNameReason(good).has_value()) << good << ": " << unsafeNameReason(good).value_or("");
  }
}

TEST(ZipFormat, DosTimesRoundToTwoSecondsAndClampTheYear) {
  DosDateTime d = toDosDateTime(LocalTime{2024, 12, 31, 23, 59, 59, 0});
  EXPECT_EQ(fromDosDateTime(d.date, d.time), (LocalTime{2024, 12, 31, 23, 59, 58, 0}));
  d = toDosDateTime(LocalTime{1970, 1, 1, 0, 0, 0, 0});
  EXPECT_EQ(fromDosDateTime(d.date, d.time), (LocalTime{1980, 1, 1, 0, 0, 0, 0}));
}

TEST(ZipFormat, CursorStopsAtTheEndAndReportsOverrun) {
  const unsigned char bytes[] = {0x50, 0x4b, 0x03, 0x04, 0x01};
  Cursor c(bytes, sizeof bytes);
  EXPECT_EQ(c.u32(), 0x04034b50u);
  EXPECT_FALSE(c.overrun());
  EXPECT_EQ(c.u16(), 0);
  EXPECT_TRUE(c.overrun());
  EXPECT_EQ(c.bytes(1), "");
}

}  // namespace
}  // namespace tarvio::zip
