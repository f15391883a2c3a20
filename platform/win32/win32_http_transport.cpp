// The HTTP transport on WinHTTP (Windows).
//
// Redirects are followed here rather than by WinHTTP, so that the limit, the change of a POST into
// a GET (301, 302, 303) and the check of each target (platform/http_redirects.h) are the same on
// every Windows and under Wine. A URL is cracked once by WinHttpCrackUrl; the parts it gives are
// both what is checked and what is connected to.
//
// Proxies: the user's settings, a PAC script and WPAD (WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, Windows
// 8.1 and later); before that, WinHTTP's own default proxy.
//
// The server's certificate is always checked, its revocation included. When the revocation
// status cannot be learnt (the revocation server is unreachable, "revocation offline"), and that is
// the only fault the certificate has, the request is made again without the revocation check;
// every other certificate error ends the request.
#include <windows.h>
#include <winhttp.h>

#include <string>

#include "platform/http_redirects.h"
#include "platform/http_transport.h"
#include "platform/win32/wide.h"

#ifndef WINHTTP_OPTION_IGNORE_CERT_REVOCATION_OFFLINE
#define WINHTTP_OPTION_IGNORE_CERT_REVOCATION_OFFLINE 155
#endif

namespace tarvio {

namespace {

// WinHTTP's own text for an error, or a short description of the common ones when the system has
// no text for it.
std::string describe(DWORD error) {
  wchar_t* buffer = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE |
                               FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           GetModuleHandleW(L"winhttp.dll"), error, 0, reinterpret_cast<wchar_t*>(&buffer), 0,
                           nullptr);
  std::string text;
  if (n > 0 && buffer) {
    text = narrow(std::wstring(buffer, n));
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
  }
  if (buffer) LocalFree(buffer);
  if (text.empty()) {
    switch (error) {
      case ERROR_WINHTTP_TIMEOUT: text = "The operation timed out"; break;
      case ERROR_WINHTTP_NAME_NOT_RESOLVED: text = "The server name could not be resolved"; break;
      case ERROR_WINHTTP_CANNOT_CONNECT: text = "A connection with the server could not be established"; break;
      case ERROR_WINHTTP_CONNECTION_ERROR: text = "The connection with the server was reset or terminated"; break;
      case ERROR_WINHTTP_INVALID_SERVER_RESPONSE: text = "The server response could not be parsed"; break;
      case ERROR_WINHTTP_SECURE_CHANNEL_ERROR: text = "An error occurred in the secure channel support"; break;
      case ERROR_WINHTTP_SECURE_FAILURE: text = "The server certificate is invalid or could not be verified"; break;
      case ERROR_WINHTTP_REDIRECT_FAILED: text = "The redirection failed"; break;
      default: text = "WinHTTP failure"; break;
    }
  }
  return text + " (" + std::to_string(error) + ")";
}

// Wine reports a time-out as the socket's own error.
DWORD asWinHttpError(DWORD error) { return error == WSAETIMEDOUT ? ERROR_WINHTTP_TIMEOUT : error; }

[[noreturn]] void fail(DWORD error) { throw HttpTransportError(describe(asWinHttpError(error))); }
[[noreturn]] void fail() { fail(GetLastError()); }

// Closes a WinHTTP handle when it goes out of scope.
struct Handle {
  HINTERNET h = nullptr;
  explicit Handle(HINTERNET handle) : h(handle) {}
  ~Handle() {
    if (h) WinHttpCloseHandle(h);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
};

std::wstring queryText(HINTERNET request, DWORD what) {
  DWORD size = 0;
  WinHttpQueryHeaders(request, what, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &size,
                      WINHTTP_NO_HEADER_INDEX);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return {};
  std::wstring text(size / sizeof(wchar_t), L'\0');
  if (!WinHttpQueryHeaders(request, what, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &size, WINHTTP_NO_HEADER_INDEX)) {
    return {};
  }
  text.resize(size / sizeof(wchar_t));
  return text;
}

// The parts of a URL as WinHttpCrackUrl reads them.
struct Target {
  http::Origin origin;
  std::wstring host;
  INTERNET_PORT port = 0;
  std::wstring path;  // path and query, "/" when empty
};

Target crack(const std::string& url) {
  std::wstring wide = widen(url);
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof(parts);
  parts.dwSchemeLength = static_cast<DWORD>(-1);
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(wide.c_str(), 0, 0, &parts)) fail();
  Target target;
  target.host.assign(parts.lpszHostName, parts.dwHostNameLength);
  target.port = parts.nPort;
  target.path.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
  target.path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (target.path.empty()) target.path = L"/";
  target.origin.scheme = parts.nScheme == INTERNET_SCHEME_HTTPS ? "https" : parts.nScheme == INTERNET_SCHEME_HTTP ? "http" : "";
  target.origin.host = narrow(target.host);
  target.origin.port = parts.nPort;
  return target;
}

// The flags of WinHTTP's report of a failed certificate check, for one request.
void CALLBACK noteSecureFailure(HINTERNET, DWORD_PTR context, DWORD status, LPVOID information, DWORD length) {
  if (status == WINHTTP_CALLBACK_STATUS_SECURE_FAILURE && context && information && length >= sizeof(DWORD)) {
    *reinterpret_cast<DWORD*>(context) |= *static_cast<DWORD*>(information);
  }
}

HINTERNET openSession() {
  // No agent name here: the User-Agent header comes with the request's own headers, in their order.
  HINTERNET session = WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                                  WINHTTP_NO_PROXY_BYPASS, 0);
  if (!session) {
    // Before Windows 8.1.
    session = WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  }
  return session;
}

class WinHttpTransport : public HttpTransport {
 public:
  // The session lives as long as the transport and keeps the cookies that servers set.
  WinHttpTransport() : session_(openSession()) {
    if (!session_.h) fail();
  }

  HttpResponse send(const HttpRequest& request) override {
    const Target original = crack(request.url);
    if (original.origin.scheme != "https") throw HttpTransportError(http::plainHttpRefused);
    HttpRequest current = request;
    Target target = original;
    for (unsigned redirects = 0;; ++redirects) {
      std::string location;
      HttpResponse response = sendOnce(current, target, location);
      if (!request.followRedirects || !http::isFollowedRedirect(response.status) || location.empty()) return response;
      if (redirects == request.maxRedirects) throw HttpTransportError(describe(ERROR_WINHTTP_REDIRECT_FAILED));
      std::string url = http::resolveLocation(current.url, location);
      Target next;
      try {
        next = crack(url);
      } catch (const HttpTransportError&) {
        throw HttpTransportError(http::redirectRefused);
      }
      if (!http::mayFollow(original.origin, next.origin)) throw HttpTransportError(http::redirectRefused);
      current = http::followed(current, response.status, url);
      target = std::move(next);
    }
  }

 private:
  // One request to `target` (already checked), without following a redirect; `location` receives
  // the response's Location header.
  HttpResponse sendOnce(const HttpRequest& request, const Target& target, std::string& location) {
    Handle connection(WinHttpConnect(session_.h, target.host.c_str(), target.port, 0));
    if (!connection.h) fail();
    for (bool checkRevocation : {true, false}) {
      Handle req(WinHttpOpenRequest(connection.h, widen(request.method).c_str(), target.path.c_str(), nullptr,
                                    WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE));
      if (!req.h) fail();
      configure(req.h, request, checkRevocation);
      DWORD certificateFaults = 0;
      if (sendAndReceive(req.h, request, certificateFaults)) return readResponse(req.h, location);
      DWORD error = GetLastError();
      // Only "the revocation status could not be learnt", and nothing else, is let through.
      bool revocationOffline =
          error == ERROR_WINHTTP_SECURE_FAILURE && certificateFaults == WINHTTP_CALLBACK_STATUS_FLAG_CERT_REV_FAILED;
      if (!checkRevocation || !revocationOffline) fail(error);
    }
    fail(ERROR_WINHTTP_SECURE_FAILURE);
  }

  static void configure(HINTERNET req, const HttpRequest& request, bool checkRevocation) {
    if (checkRevocation) {
      DWORD revocation = WINHTTP_ENABLE_SSL_REVOCATION;
      if (!WinHttpSetOption(req, WINHTTP_OPTION_ENABLE_FEATURE, &revocation, sizeof(revocation))) fail();
      // Where the system offers it (Windows 10 and later), it lets a certificate whose revocation
      // list cannot be fetched through by itself; elsewhere the second try above does.
      BOOL ignoreOffline = TRUE;
      WinHttpSetOption(req, WINHTTP_OPTION_IGNORE_CERT_REVOCATION_OFFLINE, &ignoreOffline, sizeof(ignoreOffline));
    }
    int connectMs = static_cast<int>(request.connectTimeoutMs);
    int responseMs = static_cast<int>(request.responseTimeoutMs);
    if (!WinHttpSetTimeouts(req, connectMs, connectMs, responseMs, responseMs)) fail();
    // The wait for the response's headers has a limit of its own (90 s by default).
    DWORD headersMs = request.responseTimeoutMs;
    WinHttpSetOption(req, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &headersMs, sizeof(headersMs));
    DWORD disable = WINHTTP_DISABLE_REDIRECTS;
    if (!WinHttpSetOption(req, WINHTTP_OPTION_DISABLE_FEATURE, &disable, sizeof(disable))) fail();
    WinHttpSetStatusCallback(req, noteSecureFailure, WINHTTP_CALLBACK_FLAG_SECURE_FAILURE, 0);
  }

  // Sends the request and waits for the response's head. False, with the error as the last error,
  // when either fails; certificateFaults then holds WinHTTP's report of a failed certificate check.
  static bool sendAndReceive(HINTERNET req, const HttpRequest& request, DWORD& certificateFaults) {
    std::wstring headers;
    for (const auto& [name, value] : request.headers) headers += widen(name) + L": " + widen(value) + L"\r\n";
    auto* body = request.body.empty() ? WINHTTP_NO_REQUEST_DATA : const_cast<char*>(request.body.data());
    auto length = static_cast<DWORD>(request.body.size());
    return WinHttpSendRequest(req, headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
                              static_cast<DWORD>(headers.size()), body, length, length,
                              reinterpret_cast<DWORD_PTR>(&certificateFaults)) &&
           WinHttpReceiveResponse(req, nullptr);
  }

  static HttpResponse readResponse(HINTERNET req, std::string& location) {
    HttpResponse response;
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!WinHttpQueryHeaders(req, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                             &status, &size, WINHTTP_NO_HEADER_INDEX)) {
      fail();
    }
    response.status = static_cast<int>(status);
    std::string version = narrow(queryText(req, WINHTTP_QUERY_VERSION));
    if (version == "HTTP/1.0" || version == "HTTP/1.1" || version == "HTTP/2.0") response.versionText = version + " ";
    response.reason = narrow(queryText(req, WINHTTP_QUERY_STATUS_TEXT));
    response.contentType = narrow(queryText(req, WINHTTP_QUERY_CONTENT_TYPE));
    location = narrow(queryText(req, WINHTTP_QUERY_LOCATION));

    for (;;) {
      DWORD available = 0;
      if (!WinHttpQueryDataAvailable(req, &available)) fail();
      if (available == 0) break;
      std::string chunk(available, '\0');
      DWORD read = 0;
      if (!WinHttpReadData(req, chunk.data(), available, &read)) fail();
      if (read == 0) break;
      response.body.append(chunk.data(), read);
    }
    return response;
  }

  Handle session_;
};

}  // namespace

std::unique_ptr<HttpTransport> makeHttpTransport() { return std::make_unique<WinHttpTransport>(); }

}  // namespace tarvio
