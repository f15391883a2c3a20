// The system's own ANSI and OEM code pages on Windows.
#include <windows.h>

#include "platform/native.h"
#include "platform/win32/wide.h"

namespace tarvio {

namespace {

Encoded encode(std::string_view utf8, UINT page) {
  Encoded result;
  std::wstring wide = widen(utf8);
  if (wide.empty()) return result;
  // No 8-bit page holds a character beyond the basic plane; one surrogate pair gives one '?'
  // (left to itself the system gives one or two, depending on the page).
  std::wstring single;
  for (size_t i = 0; i < wide.size(); ++i) {
    bool pair = i + 1 < wide.size() && IS_HIGH_SURROGATE(wide[i]) && IS_LOW_SURROGATE(wide[i + 1]);
    single += pair ? L'\xFFFD' : wide[i];
    if (pair) ++i;
  }
  wide.swap(single);
  // No best fit: a character the page lacks becomes '?' and is reported, never a look-alike
  // ("ã" to "a" would change a file name).
  BOOL usedDefault = FALSE;
  const char fallback = '?';
  int n = WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                              &fallback, &usedDefault);
  result.bytes.assign(static_cast<size_t>(n), '\0');
  usedDefault = FALSE;
  WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), result.bytes.data(), n,
                      &fallback, &usedDefault);
  result.exact = !usedDefault;
  return result;
}

std::string decode(std::string_view bytes, UINT page) {
  if (bytes.empty()) return {};
  int n = MultiByteToWideChar(page, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(page, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
  return narrow(wide);
}

class Win32CodePages : public CodePages {
 public:
  Encoded toAnsi(std::string_view utf8) const override { return encode(utf8, GetACP()); }
  std::string fromAnsi(std::string_view bytes) const override { return decode(bytes, GetACP()); }
  Encoded toOem(std::string_view utf8) const override { return encode(utf8, GetOEMCP()); }
  std::string fromOem(std::string_view bytes) const override { return decode(bytes, GetOEMCP()); }
};

}  // namespace

std::unique_ptr<CodePages> makeNativeCodePages() { return std::make_unique<Win32CodePages>(); }

}  // namespace tarvio
