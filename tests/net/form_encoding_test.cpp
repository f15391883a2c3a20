// Percent-encoding and the form-encoded body.
#include "net/form_encoding.h"

#include <gtest/gtest.h>

#include "tests/support/login_service/case_label.h"

namespace tarvio {
namespace {

struct EncodingCase {
  const char* input;
  const char* encoded;
};

void PrintTo(const EncodingCase& c, std::ostream* os) { *os << test::caseLabel(c.encoded); }

class PercentEncodeTest : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(PercentEncodeTest, EncodesEveryByteButLettersDigitsAndThreeMarks) {
  EXPECT_EQ(percentEncode(GetParam().input), GetParam().encoded);
}

INSTANTIATE_TEST_SUITE_P(Cases, PercentEncodeTest,
                         ::testing::Values(EncodingCase{"AZaz09-._", "AZaz09-._"},
                                           EncodingCase{"a b", "a%20b"},          // never a plus sign
                                           EncodingCase{"a&b=c", "a%26b%3Dc"},
                                           EncodingCase{"Tz7+k/W=", "Tz7%2Bk%2FW%3D"},  // Base64 characters
                                           EncodingCase{"%41", "%2541"},          // an escape is encoded again
                                           EncodingCase{"~*'!", "%7E%2A%27%21"},
                                           EncodingCase{"joão", "jo%C3%A3o"},     // UTF-8 bytes, uppercase hex
                                           EncodingCase{"\t\n", "%09%0A"},
                                           EncodingCase{"", ""}));

TEST(FormEncodedText, JoinsFieldsInListOrderEncodingOnlyThoseWithoutDoNotEncode) {
  TRESTRequestParameterList params;
  params.AddItem("grant type", "pass word");
  params.AddItem("login", " a&b=c+d%20", TRESTRequestParameterKind::pkGETorPOST,
                 {TRESTRequestParameterOption::poDoNotEncode});
  params.AddItem("Authorization", "x", TRESTRequestParameterKind::pkHTTPHEADER);  // not a field
  params.AddItem("senha", "ç");
  EXPECT_EQ(formEncodedText(params), "grant%20type=pass%20word&login= a&b=c+d%20&senha=%C3%A7");
}

TEST(FormEncodedText, IsEmptyWithoutFields) { EXPECT_EQ(formEncodedText(TRESTRequestParameterList{}), ""); }

}  // namespace
}  // namespace tarvio
