// The REST layer.
#include "net/rest.h"

#include <stdexcept>

#include "net/form_encoding.h"
#include "net/text_charset.h"
#include "platform/platform.h"

namespace tarvio {

TRESTClient::TRESTClient(std::unique_ptr<HttpTransport> transport)
    : transport_(transport ? std::move(transport) : makeHttpTransport()) {}

const TJSONValue* TRESTResponse::JSONValue() {
  if (!parsed_) {
    json_ = parseJSON(Content);
    parsed_ = true;
  }
  return json_.get();
}

void TRESTResponse::assign(const HttpResponse& response) {
  StatusCode = response.status;
  StatusText = response.reason;
  ContentType = response.contentType;
  Content = decodeBodyText(response.body, response.contentType);
  json_.reset();
  parsed_ = false;
}

void TRESTRequest::AddAuthParameter(const std::string& name, const std::string& value,
                                    TRESTRequestParameterKind kind, TRESTRequestParameterOptions options) {
  options.include(TRESTRequestParameterOption::poTransient);
  ownHeaders_.Replace(TRESTRequestParameter{name, value, kind, options});
}

namespace {

// A header's value as sent: unchanged with poDoNotEncode, percent-encoded otherwise.
std::string headerValue(const TRESTRequestParameter& p) {
  return p.options.has(TRESTRequestParameterOption::poDoNotEncode) ? p.value : percentEncode(p.value);
}

}  // namespace

HttpRequest TRESTRequest::prepare() const {
  HttpRequest request;
  request.method = Method == TRESTRequestMethod::rmPOST ? "POST" : "GET";
  request.url = Client.BaseURL;
  request.connectTimeoutMs = Timeout;
  request.responseTimeoutMs = Timeout;
  request.followRedirects = HandleRedirects;
  request.maxRedirects = 5;

  for (const auto& p : ownHeaders_.items()) {
    if (p.kind == TRESTRequestParameterKind::pkHTTPHEADER) request.headers.emplace_back(p.name, headerValue(p));
  }
  for (const auto& p : Params.items()) {
    if (p.kind == TRESTRequestParameterKind::pkHTTPHEADER) request.headers.emplace_back(p.name, headerValue(p));
  }
  request.headers.emplace_back("Accept", Accept);
  request.headers.emplace_back("Accept-Charset", AcceptCharset);
  request.headers.emplace_back("User-Agent", Client.UserAgent);

  std::string fields = formEncodedText(Params);
  if (Method == TRESTRequestMethod::rmPOST) {
    request.headers.emplace_back("Content-Type", "application/x-www-form-urlencoded");
    // Percent-encoded text is plain ASCII; fields sent unencoded may hold any character, which
    // becomes its byte in the system's ANSI code page.
    request.body = codePages().toAnsi(fields).bytes;
  } else if (!fields.empty()) {
    request.url += (request.url.find('?') == std::string::npos ? "?" : "&") + fields;
  }
  return request;
}

void TRESTRequest::Execute() {
  HttpRequest request = prepare();
  Response.assign(HttpResponse{});
  HttpResponse response;
  try {
    response = Client.transport().send(request);
  } catch (const HttpTransportError& e) {
    throw std::runtime_error(std::string("REST request failed: ") + e.what());
  }
  Response.assign(response);
  if (Client.RaiseExceptionOn500 && response.status >= 500) {
    throw std::runtime_error(response.versionText + std::to_string(response.status) + " " + response.reason);
  }
}

}  // namespace tarvio
