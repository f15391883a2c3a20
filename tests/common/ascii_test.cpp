// ASCII letter case: only A to Z change, bytes of other characters never do.
#include "common/ascii.h"

#include <gtest/gtest.h>

namespace tarvio {
namespace {

TEST(Ascii, OnlyTheLettersAToZAreLowered) {
  EXPECT_EQ(lowerAscii("BACKUP"), "backup");
  EXPECT_EQ(lowerAscii("AÇÃO.ZIP"), "aÇÃo.zip");  // Ç and Ã stay: their UTF-8 bytes are not ASCII
  EXPECT_EQ(lowerAscii("\xC3\x80@[`{"), "\xC3\x80@[`{");  // neighbours of the letter ranges
}

TEST(Ascii, ComparisonsIgnoreAsciiCaseOnly) {
  struct Case {
    const char* a;
    const char* b;
    bool equal;
  } cases[] = {
      {"Content-Type", "content-type", true}, {"True", "TRUE", true}, {"É", "é", false},
      {"abc", "abcd", false},                  {"", "", true},          {"\xC9", "\xE9", false},
  };
  for (const auto& c : cases) EXPECT_EQ(equalsIgnoringAsciiCase(c.a, c.b), c.equal) << c.a << " " << c.b;
  EXPECT_TRUE(endsWithIgnoringAsciiCase("C:\\X\\BACKUP.BAT", ".bat"));
  EXPECT_FALSE(endsWithIgnoringAsciiCase("bat", ".bat"));
}

}  // namespace
}  // namespace tarvio
