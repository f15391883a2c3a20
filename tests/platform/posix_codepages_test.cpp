// The POSIX code page tables against glibc's iconv, byte by byte.
#include <gtest/gtest.h>
#include <iconv.h>

#include "platform/native.h"

namespace tarvio {
namespace {

// iconv's UTF-8 for one byte of the page, or nullopt where iconv has no character for it.
std::optional<std::string> iconvDecode(const char* page, unsigned char byte) {
  iconv_t cd = iconv_open("UTF-8", page);
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error(std::string("no iconv for ") + page);
  char in[1] = {static_cast<char>(byte)};
  char out[8] = {};
  char* inp = in;
  char* outp = out;
  size_t inLeft = 1, outLeft = sizeof out;
  size_t done = iconv(cd, &inp, &inLeft, &outp, &outLeft);
  iconv_close(cd);
  if (done == static_cast<size_t>(-1)) return std::nullopt;
  return std::string(out, outp);
}

TEST(PosixCodePagesTest, TablesAgreeWithIconv) {
  auto pages = makeNativeCodePages();
  int compared = 0;
  for (int b = 0x80; b <= 0xFF; ++b) {
    std::string byte(1, static_cast<char>(b));
    auto ansi = iconvDecode("CP1252", static_cast<unsigned char>(b));
    if (ansi) {
      EXPECT_EQ(pages->fromAnsi(byte), *ansi) << "CP1252 byte " << b;
      ++compared;
    } else {
      // The five bytes 1252 leaves unassigned map to the C1 control of the same value, as on Windows.
      EXPECT_EQ(pages->fromAnsi(byte), std::string({static_cast<char>(0xC2), static_cast<char>(b)})) << b;
    }
    auto oem = iconvDecode("CP850", static_cast<unsigned char>(b));
    ASSERT_TRUE(oem) << "CP850 byte " << b;
    EXPECT_EQ(pages->fromOem(byte), *oem) << "CP850 byte " << b;
  }
  EXPECT_EQ(compared, 123);  // all but the five unassigned bytes
}

}  // namespace
}  // namespace tarvio
