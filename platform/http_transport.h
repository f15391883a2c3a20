// The HTTP transport under the REST layer: one synchronous request over HTTPS.
// libcurl on Linux, WinHTTP on Windows; one transport object lives as long as its REST client and
// keeps the cookies that the servers set for that long. Nothing is ever sent over plain http, and
// redirects are followed only to https on the same host and port (platform/http_redirects.h).
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace tarvio {

struct HttpRequest {
  std::string method = "POST";
  std::string url;                                           // used as it is; https only
  std::vector<std::pair<std::string, std::string>> headers;  // sent in this order
  std::string body;                                          // bytes
  unsigned connectTimeoutMs = 30000;   // name resolution, connecting and the secure channel
  unsigned responseTimeoutMs = 30000;  // the longest time without progress while sending or receiving
  bool followRedirects = true;
  unsigned maxRedirects = 5;
};

struct HttpResponse {
  int status = 0;
  std::string versionText;  // "HTTP/1.0 ", "HTTP/1.1 ", "HTTP/2.0 ", or empty when unknown
  std::string reason;       // the reason phrase of the status line
  std::string contentType;  // the Content-Type header's value, empty when absent
  std::string body;         // bytes
};

// No response: the name was not resolved, the connection was refused or lost, the secure channel
// could not be set up, a time-out passed, the URL or a redirect went elsewhere than allowed. The
// message is the HTTP layer's own description, ending with its error code in parentheses where
// there is one.
class HttpTransportError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class HttpTransport {
 public:
  virtual ~HttpTransport() = default;
  // Sends the request and returns the final response (after redirects), whatever its status.
  // Throws HttpTransportError when there is none.
  virtual HttpResponse send(const HttpRequest& request) = 0;
};

// The system's transport: libcurl on Linux, WinHTTP on Windows. Server certificates are always
// checked against the system's trusted authorities (by WinHTTP with their revocation).
std::unique_ptr<HttpTransport> makeHttpTransport();

// Tests only, and defined only in libcurl builds (Windows tests trust their authority in the test
// Wine prefix instead): trust the authorities in this PEM file instead of the system's.
// The program never calls it; an empty path restores the system's store.
void setTrustedAuthorityFileForTests(const std::string& pemPath);

}  // namespace tarvio
