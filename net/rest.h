// The REST layer: a client (connection settings and cookie store), a request (method, fields,
// headers, time-outs) and a response (status, body, JSON), in the shape the login dialog uses.
#pragma once

#include <memory>
#include <string>

#include "net/json.h"
#include "net/rest_params.h"
#include "platform/http_transport.h"

namespace tarvio {

enum class TRESTRequestMethod { rmGET, rmPOST };

class TRESTClient {
 public:
  // transport: the HTTP transport to use; the system's one when none is given. It lives as long as
  // the client and keeps the cookies the servers set for that long.
  explicit TRESTClient(std::unique_ptr<HttpTransport> transport = nullptr);

  std::string BaseURL;  // the complete URL of the next request, sent unchanged
  std::string UserAgent = "Tarvio-Backup";
  bool RaiseExceptionOn500 = true;

  HttpTransport& transport() { return *transport_; }

 private:
  std::unique_ptr<HttpTransport> transport_;
};

class TRESTResponse {
 public:
  int StatusCode = 0;
  std::string StatusText;
  std::string Content;      // the body as UTF-8 text
  std::string ContentType;  // the Content-Type header's value
  // The body parsed as JSON on first use; nullptr when the body is empty or not valid JSON. The
  // value belongs to this response and is gone with the next request.
  const TJSONValue* JSONValue();

  // Replaces everything with a new response.
  void assign(const HttpResponse& response);

 private:
  std::unique_ptr<TJSONValue> json_;
  bool parsed_ = false;
};

class TRESTRequest {
 public:
  TRESTRequest(TRESTClient& client, TRESTResponse& response) : Client(client), Response(response) {}

  TRESTClient& Client;
  TRESTResponse& Response;
  TRESTRequestMethod Method = TRESTRequestMethod::rmPOST;
  std::string Accept = "application/json, text/plain; q=0.9, text/html;q=0.8,";
  std::string AcceptCharset = "utf-8, *;q=0.8";
  unsigned Timeout = 30000;  // ms: the connection time-out and the response time-out
  bool HandleRedirects = true;
  TRESTRequestParameterList Params;

  // Adds an entry to the request's own header list, which lives as long as this object and is sent
  // with every request, before the other headers. An entry of the same name (letter case ignored)
  // is removed and the new one appended.
  void AddAuthParameter(const std::string& name, const std::string& value,
                        TRESTRequestParameterKind kind = TRESTRequestParameterKind::pkHTTPHEADER,
                        TRESTRequestParameterOptions options = {});
  const TRESTRequestParameterList& ownHeaders() const { return ownHeaders_; }

  // What Execute would send now (URL, headers, body), without sending it.
  HttpRequest prepare() const;

  // Sends the request synchronously and fills Response. Status 200 to 499 returns normally;
  // a status of 500 or more raises an error whose message is the status line; no response at all
  // raises "REST request failed: " and the HTTP layer's description.
  void Execute();

 private:
  TRESTRequestParameterList ownHeaders_;
};

}  // namespace tarvio
