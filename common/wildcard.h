// Windows file masks: "*" any run of characters, "?" one character, letters compared without
// regard to case (ASCII, Latin-1 and Latin Extended-A, as Windows folds the names it stores).
// As on Windows, a mask that ends in "." or ".*" after its last literal also matches a name
// without a dot: "*.*" matches every name, "name.*" matches "name", "*." only names without a dot.
#pragma once

#include <string>
#include <string_view>

namespace tarvio {

bool wildcardMatches(std::string_view mask, std::string_view name);
bool hasWildcards(std::string_view mask);

// A key under which names that differ only in letter case (by the folding above) are equal.
std::string caseFoldedKey(std::string_view utf8Name);

}  // namespace tarvio
