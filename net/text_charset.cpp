// Turning a response body into UTF-8 text.
#include "net/text_charset.h"

#include <algorithm>
#include <cstdint>

namespace tarvio {

namespace {

std::string lowerTrimmed(std::string_view text) {
  auto begin = text.find_first_not_of(" \t\"");
  auto end = text.find_last_not_of(" \t\"");
  std::string out = begin == std::string_view::npos ? std::string() : std::string(text.substr(begin, end - begin + 1));
  std::transform(out.begin(), out.end(), out.begin(),
                 [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
  return out;
}

void appendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Windows-1252 differs from ISO-8859-1 only in 0x80..0x9F (0 where the code page has no character).
constexpr std::uint16_t windows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::string fromSingleByte(std::string_view body, bool windows1252) {
  std::string out;
  for (char ch : body) {
    auto c = static_cast<unsigned char>(ch);
    std::uint32_t code = c;
    if (windows1252 && c >= 0x80 && c < 0xA0 && windows1252High[c - 0x80] != 0) code = windows1252High[c - 0x80];
    appendUtf8(out, code);
  }
  return out;
}

bool holdsNoText(const std::string& mediaType) {
  for (const char* prefix : {"image/", "audio/", "video/", "font/"}) {
    if (mediaType.rfind(prefix, 0) == 0) return true;
  }
  for (const char* type : {"application/octet-stream", "application/zip", "application/gzip", "application/pdf"}) {
    if (mediaType == type) return true;
  }
  return false;
}

}  // namespace

std::string decodeBodyText(std::string_view body, std::string_view contentType) {
  std::string mediaType = lowerTrimmed(contentType.substr(0, contentType.find(';')));
  std::string charset;
  for (auto pos = contentType.find(';'); pos != std::string_view::npos;) {
    auto next = contentType.find(';', pos + 1);
    std::string parameter = lowerTrimmed(contentType.substr(pos + 1, next == std::string_view::npos ? next : next - pos - 1));
    if (parameter.rfind("charset=", 0) == 0) charset = lowerTrimmed(parameter.substr(8));
    pos = next;
  }
  if (charset.empty()) return holdsNoText(mediaType) ? std::string() : std::string(body);
  if (charset == "iso-8859-1" || charset == "latin1") return fromSingleByte(body, false);
  if (charset == "windows-1252" || charset == "cp1252") return fromSingleByte(body, true);
  return std::string(body);
}

}  // namespace tarvio
