// Letter case of ASCII text.
#include "common/ascii.h"

#include <algorithm>

namespace tarvio {

std::string lowerAscii(std::string_view text) {
  std::string lowered(text);
  for (char& c : lowered) c = lowerAscii(c);
  return lowered;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

bool endsWithIgnoringAsciiCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && equalsIgnoringAsciiCase(text.substr(text.size() - suffix.size()), suffix);
}

}  // namespace tarvio
