// Windows file masks and case-insensitive name keys.
#include "common/wildcard.h"

#include <gtest/gtest.h>

namespace tarvio {
namespace {

TEST(Wildcard, MasksMatchAsOnWindows) {
  struct Case {
    const char* mask;
    const char* name;
    bool match;
  } cases[] = {
      {"*.*", "semponto", true},  {"*.*", "a.b.c", true},     {"*", "x", true},
      {"*.xml", "A.XML", true},   {"*.xml", "a.xmlx", false}, {"?.txt", "ab.txt", false},
      {"a*b*c", "axxbyyc", true}, {"arq.*", "arq", true},     {"f.pdf", "F.pdf", true},
      {"f.pdf", "g.pdf", false},  {"*.", "semponto", true},   {"*.", "com.ponto", false},
      {"AÇÃO*", "ação.txt", true}, {"*.TXT", "b.txt", true},  {"*.txt", "b.txt.bak", false},
  };
  for (const auto& c : cases) EXPECT_EQ(wildcardMatches(c.mask, c.name), c.match) << c.mask << " " << c.name;
  EXPECT_TRUE(hasWildcards("a?b"));
  EXPECT_FALSE(hasWildcards("C:\\Meridano\\Tarvio\\backup\\tarvio.backup"));
}

TEST(Wildcard, KeysIgnoreLetterCaseIncludingAccents) {
  EXPECT_EQ(caseFoldedKey("Trabalhadores/F.PDF"), caseFoldedKey("trabalhadores/f.pdf"));
  EXPECT_EQ(caseFoldedKey("AÇÃO/Ém"), caseFoldedKey("ação/ém"));
  EXPECT_NE(caseFoldedKey("a/b"), caseFoldedKey("a/c"));
  // A byte that is not UTF-8 stays distinct from the character it would stand for in Latin-1.
  EXPECT_NE(caseFoldedKey("\xC9"), caseFoldedKey("é"));
}

}  // namespace
}  // namespace tarvio
