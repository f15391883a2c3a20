// Decoding of Windows-1252 bytes (the script files' ANSI code page) to UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace tarvio::standin {

std::string windows1252ToUtf8(std::string_view bytes);

}  // namespace tarvio::standin
