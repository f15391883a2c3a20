// The HTTP transport on WinHTTP (Windows).
#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <string>

#include "common/ascii.h"
#include "platform/http_transport.h"
#include "platform/win32/wide.h"

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

[[noreturn]] void fail() { throw HttpTransportError(describe(GetLastError())); }

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

class WinHttpTransport : public HttpTransport {
 public:
  // The session lives as long as the transport and keeps the cookies that servers set. No agent
  // name here: the User-Agent header comes with the request's own headers, in their order.
  WinHttpTransport()
      : session_(WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                             WINHTTP_NO_PROXY_BYPASS, 0)) {
    if (!session_.h) fail();
  }

  // Redirects are followed here rather than by WinHTTP, so that the limit and the change of a
  // POST into a GET (301, 302, 303) are the same on every Windows and under Wine.
  HttpResponse send(const HttpRequest& request) override {
    HttpRequest current = request;
    for (unsigned redirects = 0;; ++redirects) {
      std::string location;
      HttpResponse response = sendOnce(current, location);
      bool isRedirect = response.status == 301 || response.status == 302 || response.status == 303 ||
                        response.status == 307 || response.status == 308;
      if (!request.followRedirects || !isRedirect || location.empty()) return response;
      if (redirects == request.maxRedirects) throw HttpTransportError(describe(ERROR_WINHTTP_REDIRECT_FAILED));
      current.url = resolve(current.url, location);
      if (response.status <= 303 && current.method == "POST") {
        current.method = "GET";
        current.body.clear();
        std::erase_if(current.headers, [](const auto& h) { return equalsIgnoringAsciiCase(h.first, "Content-Type"); });
      }
    }
  }

 private:
  // The target of a Location header: absolute, absolute path on the same server, or relative.
  static std::string resolve(const std::string& base, const std::string& location) {
    if (location.find("://") != std::string::npos) return location;
    auto afterScheme = base.find("://");
    auto pathStart = base.find('/', afterScheme == std::string::npos ? 0 : afterScheme + 3);
    std::string origin = pathStart == std::string::npos ? base : base.substr(0, pathStart);
    if (!location.empty() && location[0] == '/') return origin + location;
    std::string path = pathStart == std::string::npos ? "/" : base.substr(pathStart);
    path = path.substr(0, path.find('?'));
    return origin + path.substr(0, path.rfind('/') + 1) + location;
  }

  HttpResponse sendOnce(const HttpRequest& request, std::string& location) {
    std::wstring url = widen(request.url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(url.c_str(), 0, 0, &parts)) fail();
    std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty()) path = L"/";

    Handle connection(WinHttpConnect(session_.h, host.c_str(), parts.nPort, 0));
    if (!connection.h) fail();
    DWORD flags = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
    Handle req(WinHttpOpenRequest(connection.h, widen(request.method).c_str(), path.c_str(), nullptr,
                                  WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
    if (!req.h) fail();
    // The server's certificate is always checked: no SECURITY_FLAG_IGNORE_* option is ever set.

    int connectMs = static_cast<int>(request.connectTimeoutMs);
    int responseMs = static_cast<int>(request.responseTimeoutMs);
    if (!WinHttpSetTimeouts(req.h, connectMs, connectMs, responseMs, responseMs)) fail();
    // The wait for the response's headers has a limit of its own (90 s by default).
    DWORD headersMs = request.responseTimeoutMs;
    WinHttpSetOption(req.h, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &headersMs, sizeof(headersMs));
    DWORD disable = WINHTTP_DISABLE_REDIRECTS;
    if (!WinHttpSetOption(req.h, WINHTTP_OPTION_DISABLE_FEATURE, &disable, sizeof(disable))) fail();

    std::wstring headers;
    for (const auto& [name, value] : request.headers) headers += widen(name) + L": " + widen(value) + L"\r\n";
    auto* body = request.body.empty() ? WINHTTP_NO_REQUEST_DATA : const_cast<char*>(request.body.data());
    auto length = static_cast<DWORD>(request.body.size());
    if (!WinHttpSendRequest(req.h, headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
                            static_cast<DWORD>(headers.size()), body, length, length, 0)) {
      fail();
    }
    if (!WinHttpReceiveResponse(req.h, nullptr)) fail();

    HttpResponse response;
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!WinHttpQueryHeaders(req.h, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
      fail();
    }
    response.status = static_cast<int>(status);
    std::string version = narrow(queryText(req.h, WINHTTP_QUERY_VERSION));
    if (version == "HTTP/1.0" || version == "HTTP/1.1" || version == "HTTP/2.0") response.versionText = version + " ";
    response.reason = narrow(queryText(req.h, WINHTTP_QUERY_STATUS_TEXT));
    response.contentType = narrow(queryText(req.h, WINHTTP_QUERY_CONTENT_TYPE));
    location = narrow(queryText(req.h, WINHTTP_QUERY_LOCATION));

    for (;;) {
      DWORD available = 0;
      if (!WinHttpQueryDataAvailable(req.h, &available)) fail();
      if (available == 0) break;
      std::string chunk(available, '\0');
      DWORD read = 0;
      if (!WinHttpReadData(req.h, chunk.data(), available, &read)) fail();
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
