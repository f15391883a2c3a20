// Turning a response body into UTF-8 text by its Content-Type.
#include "net/text_charset.h"

#include <gtest/gtest.h>

#include "tests/support/login_service/case_label.h"

namespace tarvio {
namespace {

struct CharsetCase {
  std::string body;
  std::string contentType;
  std::string text;
};

void PrintTo(const CharsetCase& c, std::ostream* os) { *os << test::caseLabel(c.contentType + " " + c.text); }

class DecodeBodyTextTest : public ::testing::TestWithParam<CharsetCase> {};

TEST_P(DecodeBodyTextTest, DecodesByTheNamedCharset) {
  EXPECT_EQ(decodeBodyText(GetParam().body, GetParam().contentType), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecodeBodyTextTest,
    ::testing::Values(CharsetCase{"{\"a\":\"ã\"}", "application/json", "{\"a\":\"ã\"}"},
                      CharsetCase{"ã", "", "ã"},
                      CharsetCase{"\xE3", "text/plain; charset=ISO-8859-1", "ã"},
                      CharsetCase{"\x80\xE7", "text/html;charset=\"windows-1252\"", "€ç"},
                      CharsetCase{"ã", "application/json; charset=utf-8", "ã"},
                      CharsetCase{"\x89PNG", "image/png", ""},
                      CharsetCase{"\x01\x02", "application/octet-stream", ""}));

}  // namespace
}  // namespace tarvio
