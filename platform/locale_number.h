// The user's decimal separator, for numbers shown or read in the user's notation.
#pragma once

namespace tarvio {

// Windows: the user's locale setting; elsewhere: the C library's current locale.
char localeDecimalSeparator();

}  // namespace tarvio
