// The conversion of the "administrador" text to a Boolean.
#include "auth/text_to_boolean.h"

#include <gtest/gtest.h>

#include <optional>

#include "tests/support/error_text.h"
#include "tests/support/login_service/case_label.h"

namespace tarvio {
namespace {

struct BooleanCase {
  const char* text;
  char separator;
  std::optional<bool> result;  // nullopt: the conversion error
};

void PrintTo(const BooleanCase& c, std::ostream* os) {
  *os << test::caseLabel(std::string(c.text) + " with " + c.separator);
}

class TextToBooleanTest : public ::testing::TestWithParam<BooleanCase> {};

TEST_P(TextToBooleanTest, ConvertsNumbersAndTrueFalseAndRefusesTheRest) {
  const BooleanCase& c = GetParam();
  if (c.result) {
    EXPECT_EQ(textToBoolean(c.text, c.separator), *c.result);
    return;
  }
  EXPECT_EQ(test::errorText([&] { textToBoolean(c.text, c.separator); }),
            std::string("'") + c.text + "' is not a valid boolean value");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextToBooleanTest,
    ::testing::Values(BooleanCase{"true", '.', true}, BooleanCase{"TRUE", '.', true}, BooleanCase{"tRuE", ',', true},
                      BooleanCase{"false", '.', false}, BooleanCase{"FALSE", '.', false},
                      BooleanCase{"1", '.', true}, BooleanCase{"-1", '.', true}, BooleanCase{"0", '.', false},
                      BooleanCase{"-0", '.', false}, BooleanCase{"0,0", ',', false}, BooleanCase{"0,5", ',', true},
                      BooleanCase{"2.5", '.', true}, BooleanCase{"1e-400", '.', true},
                      BooleanCase{"0e5", '.', false}, BooleanCase{" 1 ", '.', true},
                      BooleanCase{"null", '.', std::nullopt}, BooleanCase{"", '.', std::nullopt},
                      BooleanCase{"2.5", ',', std::nullopt},  // not the user's separator
                      BooleanCase{" true", '.', std::nullopt}, BooleanCase{"yes", '.', std::nullopt},
                      BooleanCase{"1x", '.', std::nullopt}, BooleanCase{"e5", '.', std::nullopt}));

}  // namespace
}  // namespace tarvio
