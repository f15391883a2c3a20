// The rules for plain HTTP and for redirects, shared by both HTTP transports.
#include "platform/http_redirects.h"

#include <algorithm>

#include "common/ascii.h"

namespace tarvio::http {

namespace {

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The length of a leading "scheme:", 0 when the text does not begin with one.
size_t schemeLength(std::string_view url) {
  if (url.empty() || !isAsciiLetter(url[0])) return 0;
  for (size_t i = 1; i < url.size(); ++i) {
    char c = url[i];
    if (c == ':') return i + 1;
    bool schemeChar = isAsciiLetter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
    if (!schemeChar) return 0;
  }
  return 0;
}

}  // namespace

bool isFollowedRedirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool mayFollow(const Origin& original, const Origin& target) {
  return target.scheme == "https" && original.scheme == "https" && equalsIgnoringAsciiCase(target.host, original.host) &&
         target.port == original.port;
}

HttpRequest followed(const HttpRequest& request, int status, const std::string& url) {
  HttpRequest next = request;
  next.url = url;
  if (status <= 303 && next.method == "POST") {
    next.method = "GET";
    next.body.clear();
    std::erase_if(next.headers, [](const auto& h) { return equalsIgnoringAsciiCase(h.first, "Content-Type"); });
  }
  return next;
}

std::string resolveLocation(std::string_view base, std::string_view location) {
  if (schemeLength(location) > 0) return std::string(location);
  size_t scheme = schemeLength(base);
  if (location.substr(0, 2) == "//") return std::string(base.substr(0, scheme)) + std::string(location);
  size_t authorityEnd = base.find_first_of("/?#", scheme + 2);
  std::string_view origin = base.substr(0, authorityEnd);
  std::string_view rest = authorityEnd == std::string_view::npos ? std::string_view() : base.substr(authorityEnd);
  std::string_view path = rest.substr(0, rest.find_first_of("?#"));
  if (path.empty()) path = "/";
  if (location.empty()) return std::string(origin) + std::string(rest.substr(0, rest.find('#')));
  if (location[0] == '/') return std::string(origin) + std::string(location);
  if (location[0] == '?') return std::string(origin) + std::string(path) + std::string(location);
  return std::string(origin) + std::string(path.substr(0, path.rfind('/') + 1)) + std::string(location);
}

}  // namespace tarvio::http
