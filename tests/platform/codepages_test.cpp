// The ANSI (1252) and OEM (850) code pages: round trips and characters a page cannot hold.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/native.h"

namespace tarvio {
namespace {

class CodePagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    // Windows uses the system's pages; the cases below are those of a Portuguese-language system.
    if (GetACP() != 1252 || GetOEMCP() != 850) GTEST_SKIP() << "the system's code pages are not 1252 and 850";
#endif
  }
  std::unique_ptr<CodePages> pages = makeNativeCodePages();
};

TEST_F(CodePagesTest, KnownCharactersHaveTheirBytes) {
  struct Case {
    const char* utf8;
    const char* ansi;
    const char* oem;
  };
  const Case cases[] = {
      {"pg_dump.exe -F c", "pg_dump.exe -F c", "pg_dump.exe -F c"},
      {"ã", "\xE3", "\xC6"},
      {"Ação", "A\xE7\xE3o", "A\x87\xC6o"},
      {"Restauração Ç É ü", "Restaura\xE7\xE3o \xC7 \xC9 \xFC", "Restaura\x87\xC6o \x80 \x90 \x81"},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    Encoded ansi = pages->toAnsi(c.utf8);
    EXPECT_EQ(ansi.bytes, c.ansi) << c.utf8;
    EXPECT_TRUE(ansi.exact) << c.utf8;
    EXPECT_EQ(pages->fromAnsi(c.ansi), c.utf8);
    Encoded oem = pages->toOem(c.utf8);
    EXPECT_EQ(oem.bytes, c.oem) << c.utf8;
    EXPECT_TRUE(oem.exact) << c.utf8;
    EXPECT_EQ(pages->fromOem(c.oem), c.utf8);
  }
}

TEST_F(CodePagesTest, CharactersOutsideThePageBecomeQuestionMarks) {
  struct Case {
    const char* utf8;
    const char* ansi;
    bool ansiExact;
    const char* oem;
    bool oemExact;
  };
  const Case cases[] = {
      {"€ 10", "\x80 10", true, "? 10", false},        // in 1252, not in 850
      {"═╗", "??", false, "\xCD\xBB", true},           // box drawing: in 850, not in 1252
      {"漢字.txt", "??.txt", false, "??.txt", false},  // in neither
      {"😀", "?", false, "?", false},                  // beyond the basic plane
  };
  for (const auto& c : cases) {
    Encoded ansi = pages->toAnsi(c.utf8);
    EXPECT_EQ(ansi.bytes, c.ansi) << c.utf8;
    EXPECT_EQ(ansi.exact, c.ansiExact) << c.utf8;
    Encoded oem = pages->toOem(c.utf8);
    EXPECT_EQ(oem.bytes, c.oem) << c.utf8;
    EXPECT_EQ(oem.exact, c.oemExact) << c.utf8;
  }
}

TEST_F(CodePagesTest, EveryByteRoundTrips) {
  for (int b = 0x01; b <= 0xFF; ++b) {
    std::string byte(1, static_cast<char>(b));
    Encoded ansi = pages->toAnsi(pages->fromAnsi(byte));
    EXPECT_EQ(ansi.bytes, byte) << "ANSI byte " << b;
    EXPECT_TRUE(ansi.exact) << "ANSI byte " << b;
    Encoded oem = pages->toOem(pages->fromOem(byte));
    EXPECT_EQ(oem.bytes, byte) << "OEM byte " << b;
    EXPECT_TRUE(oem.exact) << "OEM byte " << b;
  }
}

}  // namespace
}  // namespace tarvio
