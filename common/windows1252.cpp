// Windows-1252: the table of bytes 0x80..0x9F; the other bytes are their own code points.
#include "common/windows1252.h"

#include "common/utf8.h"

namespace tarvio {

namespace {

// Code points of 0x80..0x9F, the only bytes where Windows-1252 differs from ISO-8859-1.
constexpr char32_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98
};

}  // namespace

char32_t windows1252ToCodePoint(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : char32_t(byte);
}

std::optional<unsigned char> windows1252FromCodePoint(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<unsigned char>(cp);
  for (unsigned k = 0; k < 32; ++k) {
    if (kHigh[k] == cp) return static_cast<unsigned char>(0x80 + k);
  }
  return std::nullopt;
}

std::string windows1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char b : bytes) appendUtf8(out, windows1252ToCodePoint(static_cast<unsigned char>(b)));
  return out;
}

}  // namespace tarvio
