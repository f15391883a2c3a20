// Where a redirect may go, where its Location points, and what the followed request carries.
#include "platform/http_redirects.h"

#include <gtest/gtest.h>

namespace tarvio::http {
namespace {

TEST(HttpRedirects, FollowsOnlyToHttpsOnTheSameHostAndPort) {
  const Origin service{"https", "login.example", 443};
  struct Case {
    Origin target;
    bool allowed;
  };
  const Case cases[] = {
      {{"https", "login.example", 443}, true},
      {{"https", "LOGIN.Example", 443}, true},
      {{"http", "login.example", 443}, false},
      {{"http", "login.example", 80}, false},
      {{"https", "login.example", 8443}, false},
      {{"https", "other.example", 443}, false},
      {{"https", "login.example.evil", 443}, false},
      {{"ftp", "login.example", 443}, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(mayFollow(service, c.target), c.allowed) << c.target.scheme << "://" << c.target.host << ":" << c.target.port;
  }
  EXPECT_FALSE(mayFollow({"http", "a", 80}, {"http", "a", 80})) << "plain http is never followed";
}

TEST(HttpRedirects, ResolvesTheLocationAgainstTheRequestsUrl) {
  const std::string base = "https://login.example:8443/autenticacao/validarLogin?x=1";
  struct Case {
    const char* location;
    const char* resolved;
  };
  const Case cases[] = {
      {"https://other.example/a", "https://other.example/a"},
      {"HTTP://other.example/a", "HTTP://other.example/a"},
      {"//other.example:444/a", "https://other.example:444/a"},
      {"/token", "https://login.example:8443/token"},
      {"outra?y=2", "https://login.example:8443/autenticacao/outra?y=2"},
      {"?y=2", "https://login.example:8443/autenticacao/validarLogin?y=2"},
      {"/x?u=http://evil.example/", "https://login.example:8443/x?u=http://evil.example/"},
  };
  for (const auto& c : cases) EXPECT_EQ(resolveLocation(base, c.location), c.resolved) << c.location;
  EXPECT_EQ(resolveLocation("https://login.example", "a"), "https://login.example/a");
}

TEST(HttpRedirects, A303TurnsAPostIntoAGetWithoutBodyA307KeepsIt) {
  HttpRequest post;
  post.method = "POST";
  post.url = "https://login.example/a";
  post.headers = {{"Authorization", "Bearer t"}, {"Content-Type", "application/x-www-form-urlencoded"}};
  post.body = "login=maria&senha=segredo";
  for (int status : {301, 302, 303}) {
    HttpRequest get = followed(post, status, "https://login.example/b");
    EXPECT_EQ(get.method, "GET") << status;
    EXPECT_EQ(get.url, "https://login.example/b");
    EXPECT_EQ(get.body, "");
    EXPECT_EQ(get.headers, (decltype(post.headers){{"Authorization", "Bearer t"}})) << status;
  }
  for (int status : {307, 308}) {
    HttpRequest again = followed(post, status, "https://login.example/b");
    EXPECT_EQ(again.method, "POST");
    EXPECT_EQ(again.url, "https://login.example/b");
    EXPECT_EQ(again.body, post.body);
    EXPECT_EQ(again.headers, post.headers);
  }
}

}  // namespace
}  // namespace tarvio::http
