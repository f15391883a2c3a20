// UTF-8: decoding one code point, checking a text, appending a code point.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tarvio {

// Decodes the sequence at text[i]. A well-formed one gives its code point and moves i past it. A
// malformed one (a stray or invalid lead byte, a missing continuation byte, an overlong form, a
// surrogate, a value above U+10FFFF) gives nullopt and moves i past its maximal subpart: the lead
// byte and the continuation bytes read before the fault, at least one byte. i < text.size().
std::optional<char32_t> decodeUtf8(std::string_view text, size_t& i);

// True when the whole text is well-formed UTF-8.
bool isValidUtf8(std::string_view text);

// Appends the UTF-8 form of a code point (U+0000 to U+10FFFF).
void appendUtf8(std::string& out, char32_t cp);

}  // namespace tarvio
