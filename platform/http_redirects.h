// The rules both HTTP transports follow for plain HTTP and for redirects. The request and the
// password it may carry go to the server the caller named, over https, and nowhere else:
// - a request is sent only to an https URL;
// - a redirect (301, 302, 303, 307, 308) is followed only to https on the host and port of the
//   original request, at most HttpRequest::maxRedirects in a row; a redirect elsewhere ends the
//   request with an HttpTransportError before anything is sent to the other place.
// Each transport reads the scheme, host and port of a URL with the same parser that it connects
// with, so that the check and the connection can never disagree about where a URL points.
#pragma once

#include <string>
#include <string_view>

#include "platform/http_transport.h"

namespace tarvio::http {

inline constexpr const char* plainHttpRefused =
    "The request was not sent: only https URLs are allowed, never plain http";
inline constexpr const char* redirectRefused =
    "The server redirected the request elsewhere than https on its own host and port; the redirect was not followed";

// Where a URL points: its scheme (lower case), host and port (the scheme's default when the URL
// names none).
struct Origin {
  std::string scheme;
  std::string host;
  unsigned port = 0;
};

// 301, 302, 303, 307 and 308: the responses whose Location is followed.
bool isFollowedRedirect(int status);

// Whether a redirect from a request to `original` may go to `target`: https on the same host
// (letter case ignored) and the same port.
bool mayFollow(const Origin& original, const Origin& target);

// The request sent after a redirect with `status` to `url`: after 301, 302 and 303 a POST becomes
// a GET without its body and its Content-Type; after 307 and 308 it is sent again unchanged.
HttpRequest followed(const HttpRequest& request, int status, const std::string& url);

// The absolute URL that a Location header names, relative to the URL of the request that got it:
// an absolute URL ("https://..."), one without scheme ("//host/path"), an absolute path, a query,
// or a path relative to the request's folder.
std::string resolveLocation(std::string_view base, std::string_view location);

}  // namespace tarvio::http
