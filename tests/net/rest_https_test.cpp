// The REST layer against the local HTTPS login service: outcomes of Execute, redirects, cookies,
// time-outs, certificate checking, and nothing ever sent over plain HTTP.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "net/rest.h"
#include "tests/support/error_text.h"
#include "tests/support/login_service/test_login_service.h"
#include "tests/support/login_service/test_platform.h"

namespace tarvio {
namespace {

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}


struct RestHttps : ::testing::Test {
  test::LoginTestPlatform platform;
  test::LoginService service;
  TRESTClient client;
  TRESTResponse response;
  TRESTRequest request{client, response};

  void SetUp() override {
    client.BaseURL = service.root() + "/token";
    request.Params.AddItem("a", "1");
  }
};

TEST_F(RestHttps, Status200To499ReturnsWithStatusAndBody) {
  for (int status : {200, 401, 404}) {
    service.answer(1, test::json(status, "{\"administrador\":false}"));
    request.Execute();
    EXPECT_EQ(response.StatusCode, status);
    EXPECT_EQ(response.Content, "{\"administrador\":false}");
    ASSERT_NE(response.JSONValue(), nullptr);
    EXPECT_EQ(asJSONObject(response.JSONValue())->GetValue("administrador")->Value(), "false");
  }
}

TEST_F(RestHttps, Status500AndAboveRaisesTheStatusLine) {
  service.answer(1, test::json(503, "{\"error\":\"down\"}"));
  EXPECT_EQ(test::errorText([&] { request.Execute(); }), "HTTP/1.1 503 Service Unavailable");
  service.answer(1, test::json(500, "", "Erro Interno"));
  EXPECT_EQ(test::errorText([&] { request.Execute(); }), "HTTP/1.1 500 Erro Interno");
  EXPECT_EQ(response.StatusCode, 500);
}

TEST_F(RestHttps, SendsTheUrlTheBodyAndNoAcceptEncoding) {
  client.BaseURL = service.root() + "/a/b?x=1";
  request.Execute();
  auto got = service.requests();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].method, "POST");
  EXPECT_EQ(got[0].path, "/a/b?x=1");
  EXPECT_EQ(got[0].body, "a=1");
  EXPECT_TRUE(got[0].values("Accept-Encoding").empty());
  EXPECT_EQ(got[0].values("Content-Type"), std::vector<std::string>{"application/x-www-form-urlencoded"});
  EXPECT_EQ(got[0].values("User-Agent"), std::vector<std::string>{"Tarvio-Backup"});
}

TEST_F(RestHttps, FollowsRedirectsAndTheFinalResponseCounts) {
  test::Answer moved = test::json(302, "");
  moved.headers.push_back({"Location", service.root() + "/final"});
  service.answer(1, moved);
  service.answer(2, test::json(200, "{\"access_token\":\"t\"}"));
  request.Execute();
  EXPECT_EQ(response.StatusCode, 200);
  EXPECT_EQ(response.Content, "{\"access_token\":\"t\"}");
  auto got = service.requests();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[1].path, "/final");
}

TEST_F(RestHttps, FollowsAtMostFiveRedirectsInARow) {
  test::Answer moved = test::json(302, "");
  moved.headers.push_back({"Location", service.root() + "/again"});
  service.answer(1, moved);
  EXPECT_EQ(test::errorText([&] { request.Execute(); }).rfind("REST request failed: ", 0), 0u);
  EXPECT_EQ(service.requests().size(), 6u);  // the request and five redirects
}

TEST_F(RestHttps, KeepsTheServersCookiesForTheClientsLifetime) {
  test::Answer first = test::json(200, "{}");
  first.headers.push_back({"Set-Cookie", "sessao=abc123; Path=/"});
  service.answer(1, first);
  service.answer(2, test::json(200, "{}"));
  request.Execute();
  client.BaseURL = service.root() + "/autenticacao/validarLogin";
  request.Execute();
  auto got = service.requests();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_TRUE(got[0].values("Cookie").empty());
  EXPECT_EQ(got[1].values("Cookie"), std::vector<std::string>{"sessao=abc123"});
}

TEST_F(RestHttps, NoResponseRaisesRestRequestFailed) {
  test::Answer closed;
  closed.close = true;
  service.answer(1, closed);
  std::string message = test::errorText([&] { request.Execute(); });
  EXPECT_EQ(message.rfind("REST request failed: ", 0), 0u) << message;
  EXPECT_GT(message.size(), std::string("REST request failed: ").size());
}

TEST_F(RestHttps, ATimeOutRaisesRestRequestFailed) {
  test::Answer slow = test::json(200, "{}");
  slow.delaySeconds = 5;
  service.answer(1, slow);
  request.Timeout = 400;
  std::string message = test::errorText([&] { request.Execute(); });
  EXPECT_EQ(message.rfind("REST request failed: ", 0), 0u) << message;
  EXPECT_TRUE(endsWith(message, test::timeOutCode())) << message;
}

TEST_F(RestHttps, AServerThatAcceptsTheConnectionAndSendsNothingTimesOut) {
  client.BaseURL = "https://localhost:" + service.silentPort() + "/token";
  request.Timeout = 1000;
  std::string message = test::errorText([&] { request.Execute(); });
  EXPECT_EQ(message.rfind("REST request failed: ", 0), 0u) << message;
#ifdef _WIN32
  // Wine 8 reports a secure channel that times out while being set up as a secure channel error.
  EXPECT_TRUE(endsWith(message, test::timeOutCode()) || endsWith(message, "(12157)")) << message;
#else
  EXPECT_TRUE(endsWith(message, test::timeOutCode())) << message;
#endif
  EXPECT_EQ(service.silentConnections(), 1u);
}

TEST_F(RestHttps, AResponseThatKeepsArrivingIsNotCutShort) {
  // Never a quarter of the time-out without a byte, but the whole body takes longer than the
  // time-outs for connecting and for the response together: only a time without progress counts.
  const std::string body = "{\"access_token\":\"abcdefgh\"}";
  test::Answer trickling = test::json(200, body);
  trickling.trickleSeconds = 0.25;
  service.answer(1, trickling);
  request.Timeout = 2000;
  EXPECT_EQ(test::errorText([&] { request.Execute(); }), "(no error)");
  EXPECT_EQ(response.Content, body);
}

TEST_F(RestHttps, NothingIsSentOverPlainHttp) {
  request.AddAuthParameter("Authorization", "Bearer segredo", TRESTRequestParameterKind::pkHTTPHEADER,
                           {TRESTRequestParameterOption::poDoNotEncode});
  for (std::string host : {"localhost", "127.0.0.1"}) {
    client.BaseURL = "http://" + host + ":" + service.listenerPort() + "/token";
    std::string message = test::errorText([&] { request.Execute(); });
    EXPECT_EQ(message.rfind("REST request failed: ", 0), 0u) << message;
  }
  EXPECT_TRUE(service.listenerConnections().empty()) << service.listenerConnections().front();
}

TEST_F(RestHttps, RefusesACertificateOfAnUntrustedAuthority) {
  client.BaseURL = service.rogueRoot() + "/token";
  std::string message = test::errorText([&] { request.Execute(); });
  EXPECT_EQ(message.rfind("REST request failed: ", 0), 0u) << message;
  EXPECT_TRUE(service.requests().empty());
}

#ifdef _WIN32
// WinHTTP checks the revocation of the server's certificate (libcurl on OpenSSL does not).
TEST_F(RestHttps, RefusesARevokedCertificate) {
  client.BaseURL = service.revokedRoot() + "/token";
  std::string message = test::errorText([&] { request.Execute(); });
  EXPECT_EQ(message.rfind("REST request failed: ", 0), 0u) << message;
  EXPECT_TRUE(service.requests().empty());
}
#endif

#ifndef _WIN32
// libcurl goes through the proxy that the environment names, as it does for every program; the
// https-only rule holds through it. (Wine 8's WinHTTP takes no proxy from any system setting.)
TEST_F(RestHttps, GoesThroughTheProxyThatTheEnvironmentNames) {
  std::string proxy = "http://127.0.0.1:" + service.proxyPort();
  std::vector<std::pair<const char*, std::optional<std::string>>> saved;
  for (const char* name : {"https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY", "no_proxy", "NO_PROXY"}) {
    const char* value = std::getenv(name);
    saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    unsetenv(name);
  }
  setenv("https_proxy", proxy.c_str(), 1);
  service.answer(1, test::json(200, "{\"access_token\":\"t\"}"));
  std::string message = test::errorText([&] { request.Execute(); });
  for (const auto& [name, value] : saved) {
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  EXPECT_EQ(message, "(no error)");
  EXPECT_EQ(response.Content, "{\"access_token\":\"t\"}");
  EXPECT_EQ(service.proxyRequests(), std::vector<std::string>{"CONNECT localhost:" + service.port() + " HTTP/1.1"});
}
#endif

TEST_F(RestHttps, ARefusedConnectionRaisesRestRequestFailed) {
  client.BaseURL = "https://localhost:1/token";  // a privileged port that nothing serves in the tests
  std::string message = test::errorText([&] { request.Execute(); });
  EXPECT_EQ(message.rfind("REST request failed: ", 0), 0u) << message;
}

}  // namespace
}  // namespace tarvio
