// The user's decimal separator on Windows: the user's locale setting.
#include <windows.h>

#include "platform/locale_number.h"

namespace tarvio {

char localeDecimalSeparator() {
  wchar_t buffer[8] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8) > 0 && buffer[0] > 0 && buffer[0] < 0x80) {
    return static_cast<char>(buffer[0]);
  }
  return '.';
}

}  // namespace tarvio
