// UTF-8 inside the program, UTF-16 at the Win32 boundary: conversions both ways.
#pragma once

#include <string>
#include <string_view>

namespace tarvio::win32ui {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

}  // namespace tarvio::win32ui
