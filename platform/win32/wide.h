// UTF-8 <-> UTF-16 for the wide-char Windows API.
#pragma once

#include <string>
#include <string_view>

namespace tarvio {

// Malformed input becomes U+FFFD, as MultiByteToWideChar and WideCharToMultiByte make it.
std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

}  // namespace tarvio
