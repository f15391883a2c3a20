// Windows file masks and case-insensitive name identity.
#include "common/wildcard.h"

#include <vector>

#include "common/utf8.h"

namespace tarvio {

namespace {

// Lower case for the letters Windows names use: ASCII, Latin-1 and Latin Extended-A.
char32_t foldCase(char32_t cp) {
  if (cp >= 'A' && cp <= 'Z') return cp + 32;
  if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) return cp + 32;
  if (cp >= 0x100 && cp <= 0x17F && cp != 0x130 && cp != 0x131 && cp != 0x138 && cp != 0x149 && cp != 0x17F) {
    bool evenIsUpper = !((cp >= 0x139 && cp <= 0x148) || (cp >= 0x179 && cp <= 0x17E));
    bool isEven = cp % 2 == 0;
    if (isEven == evenIsUpper) return cp + 1;
  }
  return cp;
}

std::vector<char32_t> foldedCodePoints(std::string_view s) {
  std::vector<char32_t> out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    size_t start = i;
    std::optional<char32_t> cp = decodeUtf8(s, i);
    if (!cp) {
      // A stray byte stays distinct from every character and from other stray bytes.
      cp = 0xDC00 + static_cast<unsigned char>(s[start]);
      i = start + 1;
    }
    out.push_back(foldCase(*cp));
  }
  return out;
}

}  // namespace

bool hasWildcards(std::string_view mask) { return mask.find_first_of("*?") != std::string_view::npos; }

bool wildcardMatches(std::string_view mask, std::string_view name) {
  if (mask == "*.*" || mask == "*") return true;
  std::vector<char32_t> p = foldedCodePoints(mask);
  std::vector<char32_t> n = foldedCodePoints(name);
  // Iterative matching with one backtracking point, the last "*".
  size_t pi = 0, ni = 0, starP = std::string::npos, starN = 0;
  while (ni < n.size()) {
    if (pi < p.size() && p[pi] == '*') {
      starP = pi++;
      starN = ni;
    } else if (pi < p.size() && (p[pi] == '?' || p[pi] == n[ni])) {
      ++pi;
      ++ni;
    } else if (starP != std::string::npos) {
      pi = starP + 1;
      ni = ++starN;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  if (pi < p.size() && p[pi] == '.') {
    size_t q = pi + 1;
    while (q < p.size() && p[q] == '*') ++q;
    bool nameHasDot = false;
    for (char32_t c : n) nameHasDot = nameHasDot || c == '.';
    if (q == p.size() && !nameHasDot) return true;
  }
  return pi == p.size();
}

std::string caseFoldedKey(std::string_view utf8Name) {
  std::string out;
  out.reserve(utf8Name.size());
  for (char32_t cp : foldedCodePoints(utf8Name)) appendUtf8(out, cp);
  return out;
}

}  // namespace tarvio
