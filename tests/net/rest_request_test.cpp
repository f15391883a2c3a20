// The request's field list, its own header list, and what Execute would send.
#include <gtest/gtest.h>

#include "net/rest.h"
#include "tests/support/login_service/test_platform.h"

namespace tarvio {
namespace {

using Kind = TRESTRequestParameterKind;
using Option = TRESTRequestParameterOption;

std::vector<std::string> namesOf(const TRESTRequestParameterList& list) {
  std::vector<std::string> names;
  for (const auto& p : list.items()) names.push_back(p.name + "=" + p.value);
  return names;
}

TEST(Params, KeepsTheOrderOfTheCallsAndReplacesASameNameInPlace) {
  TRESTRequestParameterList params;
  params.AddItem("a", "1");
  params.AddItem("b", "2");
  params.AddItem("c", "3");
  params.AddItem("B", "two", Kind::pkGETorPOST, {Option::poDoNotEncode});
  EXPECT_EQ(namesOf(params), (std::vector<std::string>{"a=1", "B=two", "c=3"}));
  EXPECT_TRUE(params.items()[1].options.has(Option::poDoNotEncode));
  params.Clear();
  EXPECT_EQ(params.Count(), 0u);
}

// A request object with the system's code pages and a client that is never used to send.
struct RequestFixture : ::testing::Test {
  test::LoginTestPlatform platform;
  TRESTClient client;
  TRESTResponse response;
  TRESTRequest request{client, response};
};

TEST_F(RequestFixture, OwnHeaderListRemovesASameNameAndAppendsAndOutlivesClearingParams) {
  request.AddAuthParameter("Authorization", "Bearer one", Kind::pkHTTPHEADER, {Option::poDoNotEncode});
  request.AddAuthParameter("X-Other", "x", Kind::pkHTTPHEADER, {Option::poDoNotEncode});
  request.AddAuthParameter("authorization", "Bearer two", Kind::pkHTTPHEADER, {Option::poDoNotEncode});
  request.Params.Clear();
  EXPECT_EQ(namesOf(request.ownHeaders()), (std::vector<std::string>{"X-Other=x", "authorization=Bearer two"}));
  EXPECT_TRUE(request.ownHeaders().items()[1].options.has(Option::poTransient));
}

TEST_F(RequestFixture, PreparesAPostWithTheUrlUnchangedHeadersInOrderAndAnAnsiBody) {
  client.BaseURL = "https://example.invalid:8443/a/b?c=d";
  request.AddAuthParameter("Authorization", "Bearer a+b/c=", Kind::pkHTTPHEADER, {Option::poDoNotEncode});
  request.Params.AddItem("grant_type", "password");
  request.Params.AddItem("senha", "pão & mel", Kind::pkGETorPOST, {Option::poDoNotEncode});
  HttpRequest sent = request.prepare();

  EXPECT_EQ(sent.method, "POST");
  EXPECT_EQ(sent.url, "https://example.invalid:8443/a/b?c=d");
  using Header = std::pair<std::string, std::string>;
  EXPECT_EQ(sent.headers, (std::vector<Header>{
                              {"Authorization", "Bearer a+b/c="},
                              {"Accept", "application/json, text/plain; q=0.9, text/html;q=0.8,"},
                              {"Accept-Charset", "utf-8, *;q=0.8"},
                              {"User-Agent", "Tarvio-Backup"},
                              {"Content-Type", "application/x-www-form-urlencoded"},
                          }));
  EXPECT_EQ(sent.body, "grant_type=password&senha=p\xE3o & mel");
  EXPECT_EQ(sent.connectTimeoutMs, 30000u);
  EXPECT_EQ(sent.responseTimeoutMs, 30000u);
  EXPECT_TRUE(sent.followRedirects);
  EXPECT_EQ(sent.maxRedirects, 5u);
}

}  // namespace
}  // namespace tarvio
