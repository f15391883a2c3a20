// UTF-8 decoding: well-formed sequences, and the maximal subpart skipped for each malformed one.
#include "common/utf8.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarvio {
namespace {

// Decodes the whole text; a malformed subpart becomes -1.
std::vector<long> decodeAll(std::string_view text) {
  std::vector<long> out;
  for (size_t i = 0; i < text.size();) {
    auto cp = decodeUtf8(text, i);
    out.push_back(cp ? static_cast<long>(*cp) : -1);
  }
  return out;
}

TEST(Utf8, DecodesAndEncodesEveryLength) {
  const std::string text = "a\xC3\xA7\xE2\x82\xAC\xF0\x9F\x98\x80";  // a ç € 😀
  EXPECT_EQ(decodeAll(text), (std::vector<long>{'a', 0xE7, 0x20AC, 0x1F600}));
  std::string encoded;
  for (char32_t cp : {U'a', U'\u00E7', U'\u20AC', U'\U0001F600'}) appendUtf8(encoded, cp);
  EXPECT_EQ(encoded, text);
  EXPECT_TRUE(isValidUtf8(text));
}

TEST(Utf8, MalformedSequencesAreRefusedOneSubpartAtATime) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<long> decoded;
  } cases[] = {
      {"stray continuation", "\x80" "a", {-1, 'a'}},
      {"overlong lead C0", "\xC0\xAF", {-1, -1}},
      {"truncated three-byte", "\xE2\x82" "A", {-1, 'A'}},
      {"truncated at the end", "\xE2\x82", {-1}},
      {"overlong three-byte", "\xE0\x80\xAF", {-1}},
      {"surrogate", "\xED\xA0\x80", {-1}},
      {"above U+10FFFF", "\xF4\x90\x80\x80", {-1}},
      {"lead F5", "\xF5\x80", {-1, -1}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(decodeAll(c.text), c.decoded) << c.name;
    EXPECT_FALSE(isValidUtf8(c.text)) << c.name;
  }
}

}  // namespace
}  // namespace tarvio
