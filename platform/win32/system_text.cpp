// The system's text for a Windows error code.
#include "platform/win32/system_text.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace tarvio {

std::string systemErrorText(unsigned long code) {
  wchar_t* buffer = nullptr;
  DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  DWORD n = FormatMessageW(flags, nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                           reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  if (n == 0) n = FormatMessageW(flags, nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  if (n == 0 || !buffer) return "System error " + std::to_string(code);
  std::wstring text(buffer, n);
  LocalFree(buffer);
  while (!text.empty() && (text.back() == L'.' || text.back() == L' ' || text.back() == L'\r' || text.back() == L'\n')) {
    text.pop_back();
  }
  return narrow(text);
}

}  // namespace tarvio
