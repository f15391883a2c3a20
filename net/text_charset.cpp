// Turning a response body into UTF-8 text.
#include "net/text_charset.h"

#include "common/ascii.h"
#include "common/utf8.h"
#include "common/windows1252.h"

namespace tarvio {

namespace {

std::string lowerTrimmed(std::string_view text) {
  auto begin = text.find_first_not_of(" \t\"");
  auto end = text.find_last_not_of(" \t\"");
  return begin == std::string_view::npos ? std::string() : lowerAscii(text.substr(begin, end - begin + 1));
}

// ISO-8859-1's bytes are their own code points.
std::string fromLatin1(std::string_view body) {
  std::string out;
  for (char ch : body) appendUtf8(out, static_cast<unsigned char>(ch));
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
  if (charset == "iso-8859-1" || charset == "latin1") return fromLatin1(body);
  if (charset == "windows-1252" || charset == "cp1252") return windows1252ToUtf8(body);
  return std::string(body);
}

}  // namespace tarvio
