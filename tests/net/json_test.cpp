// The JSON reader: parsing, the texts of values, member lookup and the cast to an object.
#include "net/json.h"

#include <gtest/gtest.h>

#include <clocale>

#include "common/scope_exit.h"
#include "platform/locale_number.h"
#include "tests/support/error_text.h"
#include "tests/support/login_service/case_label.h"

namespace tarvio {
namespace {

struct TextCase {
  const char* json;  // the value of member "v"
  std::string text;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << test::caseLabel(c.json); }

class JsonValueTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(JsonValueTextTest, GivesTheTextOfTheMembersValue) {
  // A fraction is written in the user's notation: Brazilian Portuguese here, as on the users'
  // machines (the Windows checks run in that locale; POSIX takes it for this test).
#ifndef _WIN32
  const char* before = std::setlocale(LC_NUMERIC, nullptr);
  ScopeExit restore([previous = std::string(before ? before : "C")] { std::setlocale(LC_NUMERIC, previous.c_str()); });
  ASSERT_NE(std::setlocale(LC_NUMERIC, "pt_BR.UTF-8"), nullptr) << "the pt_BR.UTF-8 locale is missing";
#endif
  ASSERT_EQ(localeDecimalSeparator(), ',');
  auto root = parseJSON(std::string("{\"v\": ") + GetParam().json + "}");
  ASSERT_NE(root, nullptr);
  const TJSONValue* v = asJSONObject(root.get())->GetValue("v");
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->Value(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JsonValueTextTest,
    ::testing::Values(TextCase{R"("abc")", "abc"}, TextCase{R"("a\"b\\c\/d\n\u00e3\ud83d\ude00")", "a\"b\\c/d\nã😀"},
                      TextCase{"12", "12"}, TextCase{"-3", "-3"}, TextCase{"0", "0"},
                      TextCase{"123456789012345678901234567890", "123456789012345678901234567890"},
                      TextCase{"1.50", "1,50"}, TextCase{"true", "true"}, TextCase{"false", "false"},
                      TextCase{"null", "null"}, TextCase{R"({"a": 1})", ""}, TextCase{"[1, 2]", ""},
                      TextCase{"\"\"", ""}));

TEST(JsonLookup, TakesTheFirstMemberOfANameWithLetterCaseIncluded) {
  auto root = parseJSON(R"({"Administrador": 1, "administrador": false, "administrador": true})");
  const TJSONValue* object = asJSONObject(root.get());
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->GetValue("administrador")->Value(), "false");
  EXPECT_EQ(object->GetValue("ADMINISTRADOR"), nullptr);
  EXPECT_EQ(object->GetValue("access_token"), nullptr);
}

TEST(JsonParse, GivesNoneForEmptyOrInvalidText) {
  for (const char* text : {"", " ", "{", "{\"a\":}", "abc", "{\"a\":1} x", "<html></html>", "{'a':1}"}) {
    EXPECT_EQ(parseJSON(text), nullptr) << text;
  }
}

TEST(JsonCast, PassesObjectsAndNoneAndRefusesOtherValues) {
  EXPECT_EQ(asJSONObject(nullptr), nullptr);
  auto object = parseJSON("{}");
  EXPECT_EQ(asJSONObject(object.get()), object.get());
  for (const char* text : {"[1]", "\"text\"", "42", "true", "null"}) {
    auto value = parseJSON(text);
    ASSERT_NE(value, nullptr) << text;
    EXPECT_EQ(test::errorText([&] { asJSONObject(value.get()); }), "Invalid class typecast") << text;
  }
}

}  // namespace
}  // namespace tarvio
