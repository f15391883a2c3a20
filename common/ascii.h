// Letter case of ASCII text, the way Windows compares names and the program compares its own
// words: only the letters A to Z change; every other byte, UTF-8 ones included, stays as it is.
#pragma once

#include <string>
#include <string_view>

namespace tarvio {

constexpr char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The text with its ASCII letters A-Z lower-cased.
std::string lowerAscii(std::string_view text);

// True when the two texts are equal once their ASCII letters are lower-cased.
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

// True when `text` ends with `suffix`, ASCII letter case ignored.
bool endsWithIgnoringAsciiCase(std::string_view text, std::string_view suffix);

}  // namespace tarvio
