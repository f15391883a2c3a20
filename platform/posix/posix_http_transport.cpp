// The HTTP transport on libcurl (Linux).
//
// Redirects are followed here, not by libcurl, so that each target is checked before anything is
// sent to it (platform/http_redirects.h). A URL is parsed once with libcurl's own URL parser, checked,
// and that parsed URL is what libcurl connects to. libcurl speaks https only, also through a proxy
// named by the environment (https_proxy, no_proxy, ...), which it uses as usual.
#include <curl/curl.h>

#include <cctype>
#include <memory>
#include <mutex>

#include "platform/http_redirects.h"
#include "platform/http_transport.h"

namespace tarvio {

namespace {

std::string& trustedAuthorityFile() {
  static std::string path;
  return path;
}

void initialiseCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

size_t collectBody(char* data, size_t size, size_t count, void* target) {
  static_cast<std::string*>(target)->append(data, size * count);
  return size * count;
}

bool startsWithIgnoringCase(const std::string& text, const char* prefix) {
  for (size_t i = 0; prefix[i]; ++i) {
    if (i >= text.size() || std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

std::string trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' || text.back() == '\t')) {
    text.pop_back();
  }
  size_t start = text.find_first_not_of(" \t");
  return start == std::string::npos ? std::string() : text.substr(start);
}

// What the header lines of one response say: the reason phrase of its status line and its
// Location header. A new status line (an interim response) starts afresh.
struct ResponseHead {
  std::string reason;
  std::string location;
};

size_t collectHead(char* data, size_t size, size_t count, void* target) {
  auto& head = *static_cast<ResponseHead*>(target);
  std::string line(data, size * count);
  if (line.rfind("HTTP/", 0) == 0) {
    head = ResponseHead{};
    line = trimmed(line);
    // "HTTP/1.1 503 Service Unavailable": the reason is what follows the second blank.
    auto first = line.find(' ');
    auto second = first == std::string::npos ? std::string::npos : line.find(' ', first + 1);
    head.reason = second == std::string::npos ? std::string() : line.substr(second + 1);
  } else if (startsWithIgnoringCase(line, "location:")) {
    head.location = trimmed(line.substr(9));
  }
  return size * count;
}

std::string versionText(long version) {
  switch (version) {
    case CURL_HTTP_VERSION_1_0:
      return "HTTP/1.0 ";
    case CURL_HTTP_VERSION_1_1:
      return "HTTP/1.1 ";
    case CURL_HTTP_VERSION_2_0:
      return "HTTP/2.0 ";
    default:
      return "";
  }
}

// A URL parsed by libcurl.
struct UrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using Url = std::unique_ptr<CURLU, UrlDeleter>;

// `text` parsed, relative to `base` when one is given; nullptr when libcurl cannot parse it.
Url parseUrl(const std::string& text, CURLU* base = nullptr) {
  Url url(base ? curl_url_dup(base) : curl_url());
  if (!url || curl_url_set(url.get(), CURLUPART_URL, text.c_str(), 0) != CURLUE_OK) return nullptr;
  return url;
}

std::string part(CURLU* url, CURLUPart which, unsigned flags = 0) {
  char* text = nullptr;
  if (curl_url_get(url, which, &text, flags) != CURLUE_OK || !text) return {};
  std::string result = text;
  curl_free(text);
  return result;
}

std::string textOf(CURLU* url) { return part(url, CURLUPART_URL); }

http::Origin originOf(CURLU* url) {
  http::Origin origin;
  origin.scheme = part(url, CURLUPART_SCHEME);
  origin.host = part(url, CURLUPART_HOST);
  std::string port = part(url, CURLUPART_PORT, CURLU_DEFAULT_PORT);
  origin.port = port.empty() ? 0u : static_cast<unsigned>(std::stoul(port));
  return origin;
}

std::string describe(CURLcode result, const char* errorText) {
  return std::string(errorText[0] ? errorText : curl_easy_strerror(result)) + " (" +
         std::to_string(static_cast<int>(result)) + ")";
}

class CurlTransport : public HttpTransport {
 public:
  CurlTransport() {
    initialiseCurlOnce();
    handle_ = curl_easy_init();
    if (!handle_) throw HttpTransportError("libcurl could not be initialised");
    // The handle's in-memory cookie store: it keeps the servers' cookies as long as the handle lives.
    curl_easy_setopt(handle_, CURLOPT_COOKIEFILE, "");
  }
  ~CurlTransport() override { curl_easy_cleanup(handle_); }
  CurlTransport(const CurlTransport&) = delete;
  CurlTransport& operator=(const CurlTransport&) = delete;

  HttpResponse send(const HttpRequest& request) override {
    Url url = parseUrl(request.url);
    if (!url) throw HttpTransportError("The URL is not valid: " + request.url);
    const http::Origin origin = originOf(url.get());
    if (origin.scheme != "https") throw HttpTransportError(http::plainHttpRefused);

    HttpRequest current = request;
    for (unsigned redirects = 0;; ++redirects) {
      std::string location;
      HttpResponse response = sendOnce(current, url.get(), location);
      if (!request.followRedirects || !http::isFollowedRedirect(response.status) || location.empty()) return response;
      if (redirects == request.maxRedirects) {
        throw HttpTransportError("Maximum (" + std::to_string(request.maxRedirects) + ") redirects followed");
      }
      Url next = parseUrl(location, url.get());
      if (!next || !http::mayFollow(origin, originOf(next.get()))) throw HttpTransportError(http::redirectRefused);
      current = http::followed(current, response.status, textOf(next.get()));
      url = std::move(next);
    }
  }

 private:
  // One request to `url` (already checked), without following a redirect; `location` receives
  // the response's Location header.
  HttpResponse sendOnce(const HttpRequest& request, CURLU* url, std::string& location) {
    // Every option a request depends on is set again here; the handle itself, with its cookies and
    // connections, lives on.
    HttpResponse response;
    ResponseHead head;
    char errorText[CURL_ERROR_SIZE] = {};

    curl_slist* headers = nullptr;
    for (const auto& [name, value] : request.headers) {
      headers = curl_slist_append(headers, (name + ": " + value).c_str());
    }
    // libcurl would otherwise ask for "100-continue" before a larger body.
    headers = curl_slist_append(headers, "Expect:");

    curl_easy_setopt(handle_, CURLOPT_CURLU, url);
    curl_easy_setopt(handle_, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(handle_, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(handle_, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(handle_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle_, CURLOPT_HTTPHEADER, headers);
    if (request.method == "POST") {
      curl_easy_setopt(handle_, CURLOPT_POST, 1L);
      curl_easy_setopt(handle_, CURLOPT_POSTFIELDS, request.body.data());
      curl_easy_setopt(handle_, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    } else {
      curl_easy_setopt(handle_, CURLOPT_HTTPGET, 1L);
    }
    // No CURLOPT_ACCEPT_ENCODING: the request carries no Accept-Encoding header.
    // The time limits of WinHTTP: one to connect (name resolution, connection and the secure
    // channel), and one for a time without progress while sending or receiving. No limit for the
    // whole transfer: a slow answer that keeps coming is not cut short.
    curl_easy_setopt(handle_, CURLOPT_TIMEOUT_MS, 0L);
    curl_easy_setopt(handle_, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.connectTimeoutMs));
    curl_easy_setopt(handle_, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle_, CURLOPT_LOW_SPEED_TIME, static_cast<long>((request.responseTimeoutMs + 999) / 1000));
    // The server's certificate and name are always checked; nothing here ever turns that off.
    curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYHOST, 2L);
    // Only tests ever name another authority file; otherwise libcurl's own default store is kept.
    if (!trustedAuthorityFile().empty()) {
      curl_easy_setopt(handle_, CURLOPT_CAINFO, trustedAuthorityFile().c_str());
    }
    curl_easy_setopt(handle_, CURLOPT_WRITEFUNCTION, collectBody);
    curl_easy_setopt(handle_, CURLOPT_WRITEDATA, &response.body);
    curl_easy_setopt(handle_, CURLOPT_HEADERFUNCTION, collectHead);
    curl_easy_setopt(handle_, CURLOPT_HEADERDATA, &head);

    CURLcode result = curl_easy_perform(handle_);
    // Nothing the handle keeps may point into this call's memory.
    curl_easy_setopt(handle_, CURLOPT_CURLU, nullptr);
    curl_easy_setopt(handle_, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(handle_, CURLOPT_ERRORBUFFER, nullptr);
    curl_slist_free_all(headers);
    if (result != CURLE_OK) throw HttpTransportError(describe(result, errorText));

    long status = 0;
    long version = 0;
    char* contentType = nullptr;
    curl_easy_getinfo(handle_, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_getinfo(handle_, CURLINFO_HTTP_VERSION, &version);
    curl_easy_getinfo(handle_, CURLINFO_CONTENT_TYPE, &contentType);
    response.status = static_cast<int>(status);
    response.versionText = versionText(version);
    response.reason = head.reason;
    response.contentType = contentType ? contentType : "";
    location = head.location;
    return response;
  }

  CURL* handle_ = nullptr;
};

}  // namespace

std::unique_ptr<HttpTransport> makeHttpTransport() { return std::make_unique<CurlTransport>(); }

void setTrustedAuthorityFileForTests(const std::string& pemPath) { trustedAuthorityFile() = pemPath; }

}  // namespace tarvio
