// The user's decimal separator.
#include "net/locale_number.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <clocale>
#endif

namespace tarvio {

char localeDecimalSeparator() {
#ifdef _WIN32
  wchar_t buffer[8] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8) > 0 && buffer[0] > 0 &&
      buffer[0] < 0x80) {
    return static_cast<char>(buffer[0]);
  }
  return '.';
#else
  const std::lconv* conv = std::localeconv();
  return (conv && conv->decimal_point && conv->decimal_point[0]) ? conv->decimal_point[0] : '.';
#endif
}

}  // namespace tarvio
