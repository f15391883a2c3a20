// Windows-1252, the ANSI code page of a Portuguese-language Windows: its bytes and their code points.
// Depends on nothing else, so the cmd.exe stand-in compiles it into itself.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvio {

// The code point of one byte. The five bytes the page leaves unassigned (81, 8D, 8F, 90, 9D) give the
// C1 control of the same value, as Windows does, so every byte survives a round trip.
char32_t windows1252ToCodePoint(unsigned char byte);

// The byte of one code point, or nullopt where the page has no character for it.
std::optional<unsigned char> windows1252FromCodePoint(char32_t cp);

// Windows-1252 bytes as UTF-8 text.
std::string windows1252ToUtf8(std::string_view bytes);

}  // namespace tarvio
