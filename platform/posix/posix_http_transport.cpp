// The HTTP transport on libcurl (Linux).
#include <curl/curl.h>

#include <mutex>

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

// Keeps the reason phrase of the last status line seen: after redirects, that of the final response.
size_t collectStatusLine(char* data, size_t size, size_t count, void* target) {
  std::string line(data, size * count);
  if (line.rfind("HTTP/", 0) == 0) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    // "HTTP/1.1 503 Service Unavailable": the reason is what follows the second blank.
    auto first = line.find(' ');
    auto second = first == std::string::npos ? std::string::npos : line.find(' ', first + 1);
    *static_cast<std::string*>(target) = second == std::string::npos ? std::string() : line.substr(second + 1);
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
    // Every option a request depends on is set again here; the handle itself, with its cookies and
    // connections, lives on.
    HttpResponse response;
    std::string reason;
    char errorText[CURL_ERROR_SIZE] = {};

    curl_slist* headers = nullptr;
    for (const auto& [name, value] : request.headers) {
      headers = curl_slist_append(headers, (name + ": " + value).c_str());
    }
    // libcurl would otherwise ask for "100-continue" before a larger body.
    headers = curl_slist_append(headers, "Expect:");

    curl_easy_setopt(handle_, CURLOPT_URL, request.url.c_str());
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
    curl_easy_setopt(handle_, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.connectTimeoutMs));
    // libcurl has one limit for the whole transfer; it stands for the sending and receiving time-out
    // and starts once the connection is up.
    curl_easy_setopt(handle_, CURLOPT_TIMEOUT_MS,
                     static_cast<long>(request.connectTimeoutMs) + static_cast<long>(request.responseTimeoutMs));
    curl_easy_setopt(handle_, CURLOPT_FOLLOWLOCATION, request.followRedirects ? 1L : 0L);
    curl_easy_setopt(handle_, CURLOPT_MAXREDIRS, static_cast<long>(request.maxRedirects));
    // The server's certificate and name are always checked; nothing here ever turns that off.
    curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYHOST, 2L);
    // Only tests ever name another authority file; otherwise libcurl's own default store is kept.
    if (!trustedAuthorityFile().empty()) {
      curl_easy_setopt(handle_, CURLOPT_CAINFO, trustedAuthorityFile().c_str());
    }
    curl_easy_setopt(handle_, CURLOPT_WRITEFUNCTION, collectBody);
    curl_easy_setopt(handle_, CURLOPT_WRITEDATA, &response.body);
    curl_easy_setopt(handle_, CURLOPT_HEADERFUNCTION, collectStatusLine);
    curl_easy_setopt(handle_, CURLOPT_HEADERDATA, &reason);

    CURLcode result = curl_easy_perform(handle_);
    curl_slist_free_all(headers);
    if (result != CURLE_OK) {
      throw HttpTransportError(errorText[0] ? errorText : curl_easy_strerror(result));
    }

    long status = 0;
    long version = 0;
    char* contentType = nullptr;
    curl_easy_getinfo(handle_, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_getinfo(handle_, CURLINFO_HTTP_VERSION, &version);
    curl_easy_getinfo(handle_, CURLINFO_CONTENT_TYPE, &contentType);
    response.status = static_cast<int>(status);
    response.versionText = versionText(version);
    response.reason = reason;
    response.contentType = contentType ? contentType : "";
    return response;
  }

 private:
  CURL* handle_ = nullptr;
};

}  // namespace

std::unique_ptr<HttpTransport> makeHttpTransport() { return std::make_unique<CurlTransport>(); }

void setTrustedAuthorityFileForTests(const std::string& pemPath) { trustedAuthorityFile() = pemPath; }

}  // namespace tarvio
