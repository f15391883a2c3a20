// Windows-1252 (ANSI) and 850 (OEM) on POSIX, from the pages' own tables, as on a Portuguese Windows.
#include <optional>

#include "common/utf8.h"
#include "common/windows1252.h"
#include "platform/native.h"

namespace tarvio {

namespace {

// Windows-1252 comes from common/windows1252.h; this is 850's table of bytes 0x80..0xFF.
constexpr char16_t kCp850[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,  // 88
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 90
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,  // 98
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // A0
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,  // B0
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,  // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,  // C8
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,  // D0
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,  // D8
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,  // E0
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,  // E8
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,  // F0
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,  // F8
};

// A malformed UTF-8 sequence becomes U+FFFD, as WideCharToMultiByte makes it.
char32_t nextCodePoint(std::string_view text, size_t& i) { return decodeUtf8(text, i).value_or(U'\uFFFD'); }

char32_t cp850ToCodePoint(unsigned char byte) { return byte < 0x80 ? char32_t(byte) : char32_t(kCp850[byte - 0x80]); }

std::optional<unsigned char> cp850FromCodePoint(char32_t cp) {
  if (cp < 0x80) return static_cast<unsigned char>(cp);
  for (unsigned k = 0; k < 128; ++k) {
    if (kCp850[k] == cp) return static_cast<unsigned char>(0x80 + k);
  }
  return std::nullopt;
}

using ToCodePoint = char32_t (*)(unsigned char);
using FromCodePoint = std::optional<unsigned char> (*)(char32_t);

Encoded encode(std::string_view utf8, FromCodePoint fromCodePoint) {
  Encoded result;
  result.bytes.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    std::optional<unsigned char> byte = fromCodePoint(nextCodePoint(utf8, i));
    if (byte) {
      result.bytes += static_cast<char>(*byte);
    } else {
      result.bytes += '?';
      result.exact = false;
    }
  }
  return result;
}

std::string decode(std::string_view bytes, ToCodePoint toCodePoint) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char c : bytes) appendUtf8(out, toCodePoint(static_cast<unsigned char>(c)));
  return out;
}

class PosixCodePages : public CodePages {
 public:
  Encoded toAnsi(std::string_view utf8) const override { return encode(utf8, windows1252FromCodePoint); }
  std::string fromAnsi(std::string_view bytes) const override { return decode(bytes, windows1252ToCodePoint); }
  Encoded toOem(std::string_view utf8) const override { return encode(utf8, cp850FromCodePoint); }
  std::string fromOem(std::string_view bytes) const override { return decode(bytes, cp850ToCodePoint); }
};

}  // namespace

std::unique_ptr<CodePages> makeNativeCodePages() { return std::make_unique<PosixCodePages>(); }

}  // namespace tarvio
