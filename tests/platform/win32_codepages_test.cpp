// The Windows code pages with page numbers other than the test system's: UTF-8 ("Beta: UTF-8" in
// the region settings makes it the ANSI and OEM page), UTF-7, and a page the system lacks.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "platform/win32/win32_codepages.h"
#include "tests/support/error_text.h"

namespace tarvio {
namespace {

TEST(Win32CodePagesTest, Utf8AsAnsiAndOemPageGivesTheUtf8Bytes) {
  auto pages = makeWin32CodePages(CP_UTF8, CP_UTF8);
  // Command lines, accented letters, other scripts and a character beyond the basic plane.
  for (const char* text : {"SET PGPASSFILE=C:\\Meridano\\pgpass\r\npg_dump.exe -U postgres -p 5432 -Fc tarvio",
                           "Ação", "漢字.txt", "😀 10"}) {
    Encoded ansi = pages->toAnsi(text);
    EXPECT_EQ(ansi.bytes, text);
    EXPECT_TRUE(ansi.exact) << text;
    EXPECT_EQ(pages->fromAnsi(ansi.bytes), text);
    Encoded oem = pages->toOem(text);
    EXPECT_EQ(oem.bytes, text);
    EXPECT_TRUE(oem.exact) << text;
    EXPECT_EQ(pages->fromOem(oem.bytes), text);
  }
}

TEST(Win32CodePagesTest, Utf7RoundTrips) {
  if (!IsValidCodePage(CP_UTF7)) GTEST_SKIP() << "the system has no UTF-7";
  auto pages = makeWin32CodePages(CP_UTF7, CP_UTF7);
  for (const char* text : {"pg_dump.exe", "Ação + 漢字"}) {
    Encoded ansi = pages->toAnsi(text);
    EXPECT_FALSE(ansi.bytes.empty()) << text;
    EXPECT_TRUE(ansi.exact) << text;
    EXPECT_EQ(pages->fromAnsi(ansi.bytes), text);
  }
}

TEST(Win32CodePagesTest, APageTheSystemLacksRaisesAnErrorNamingIt) {
  constexpr unsigned missing = 12345;
  ASSERT_FALSE(IsValidCodePage(missing));
  auto pages = makeWin32CodePages(missing, missing);
  for (auto convert : {+[](CodePages& p) { (void)p.toAnsi("echo x"); }, +[](CodePages& p) { (void)p.toOem("x"); },
                       +[](CodePages& p) { (void)p.fromAnsi("x"); }, +[](CodePages& p) { (void)p.fromOem("x"); }}) {
    std::string message = test::errorText<std::runtime_error>([&] { convert(*pages); });
    EXPECT_NE(message.find("code page 12345"), std::string::npos) << message;
  }
  // Nothing to convert is no error.
  EXPECT_EQ(pages->toAnsi("").bytes, "");
  EXPECT_EQ(pages->fromOem(""), "");
}

}  // namespace
}  // namespace tarvio
