// The user's decimal separator on POSIX: the C library's current locale.
#include <clocale>

#include "platform/locale_number.h"

namespace tarvio {

char localeDecimalSeparator() {
  const std::lconv* conv = std::localeconv();
  return (conv && conv->decimal_point && conv->decimal_point[0]) ? conv->decimal_point[0] : '.';
}

}  // namespace tarvio
