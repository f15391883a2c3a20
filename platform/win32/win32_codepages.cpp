// The system's own ANSI and OEM code pages on Windows.
#include "platform/win32/win32_codepages.h"

#include <windows.h>

#include <stdexcept>

#include "platform/native.h"
#include "platform/win32/system_text.h"
#include "platform/win32/wide.h"

namespace tarvio {

namespace {

[[noreturn]] void conversionFailed(const char* direction, UINT page) {
  throw std::runtime_error(std::string("Cannot convert text ") + direction + " code page " + std::to_string(page) +
                           ". " + systemErrorText(GetLastError()));
}

// Pages for which WideCharToMultiByte takes no flags (and, for UTF-7 and UTF-8, no default
// character either): the ISO-2022 and ISCII pages, UTF-7, UTF-8 and Symbol. Given the others, it
// fails. "Beta: UTF-8" in the region settings makes UTF-8 the system's ANSI and OEM page.
bool takesNoConversionFlags(UINT page) {
  return page == 42 || page == 50220 || page == 50221 || page == 50222 || page == 50225 || page == 50227 ||
         page == 50229 || (page >= 57002 && page <= 57011) || page == CP_UTF7 || page == CP_UTF8;
}

// Pages that hold characters beyond the basic plane.
bool holdsEveryCharacter(UINT page) { return page == CP_UTF7 || page == CP_UTF8 || page == 54936; }

std::wstring decodeWide(std::string_view bytes, UINT page) {
  if (bytes.empty()) return {};
  int n = MultiByteToWideChar(page, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (n <= 0) conversionFailed("from", page);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  if (MultiByteToWideChar(page, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n) != n) {
    conversionFailed("from", page);
  }
  return wide;
}

Encoded encode(std::string_view utf8, UINT page) {
  Encoded result;
  std::wstring wide = widen(utf8);
  if (wide.empty()) return result;
  if (!holdsEveryCharacter(page)) {
    // No such page holds a character beyond the basic plane; one surrogate pair gives one '?'
    // (left to itself the system gives one or two, depending on the page).
    std::wstring single;
    for (size_t i = 0; i < wide.size(); ++i) {
      bool pair = i + 1 < wide.size() && IS_HIGH_SURROGATE(wide[i]) && IS_LOW_SURROGATE(wide[i + 1]);
      single += pair ? L'\xFFFD' : wide[i];
      if (pair) ++i;
    }
    wide.swap(single);
  }
  // No best fit where the page allows choosing: a character the page lacks becomes '?' and is
  // reported, never a look-alike ("ã" to "a" would change a file name). Where it does not, the
  // text is exact when it reads back unchanged.
  bool flagsAllowed = !takesNoConversionFlags(page);
  DWORD flags = flagsAllowed ? WC_NO_BEST_FIT_CHARS : 0;
  const char fallback = '?';
  BOOL usedDefault = FALSE;
  const char* defaultChar = flagsAllowed ? &fallback : nullptr;
  BOOL* usedDefaultOut = flagsAllowed ? &usedDefault : nullptr;
  int length = static_cast<int>(wide.size());
  int n = WideCharToMultiByte(page, flags, wide.data(), length, nullptr, 0, defaultChar, usedDefaultOut);
  if (n <= 0) conversionFailed("to", page);
  result.bytes.assign(static_cast<size_t>(n), '\0');
  usedDefault = FALSE;
  if (WideCharToMultiByte(page, flags, wide.data(), length, result.bytes.data(), n, defaultChar, usedDefaultOut) != n) {
    conversionFailed("to", page);
  }
  result.exact = flagsAllowed ? !usedDefault : decodeWide(result.bytes, page) == wide;
  return result;
}

class Win32CodePages : public CodePages {
 public:
  Win32CodePages(UINT ansi, UINT oem) : ansi_(ansi), oem_(oem) {}
  Encoded toAnsi(std::string_view utf8) const override { return encode(utf8, ansi_); }
  std::string fromAnsi(std::string_view bytes) const override { return narrow(decodeWide(bytes, ansi_)); }
  Encoded toOem(std::string_view utf8) const override { return encode(utf8, oem_); }
  std::string fromOem(std::string_view bytes) const override { return narrow(decodeWide(bytes, oem_)); }

 private:
  UINT ansi_;
  UINT oem_;
};

}  // namespace

std::unique_ptr<CodePages> makeWin32CodePages(unsigned ansiPage, unsigned oemPage) {
  return std::make_unique<Win32CodePages>(ansiPage, oemPage);
}

std::unique_ptr<CodePages> makeNativeCodePages() { return makeWin32CodePages(GetACP(), GetOEMCP()); }

}  // namespace tarvio
