// The conversion of a text to a Boolean that the login dialog applies to the "administrador" value.
#pragma once

#include <string_view>

namespace tarvio {

// A text that reads as a number in the user's notation (decimal separator `decimalSeparator`) is
// true unless the number is zero; otherwise "True" and "False", letter case ignored; anything else
// raises an error "'<text>' is not a valid boolean value".
bool textToBoolean(std::string_view text, char decimalSeparator);

// True and the number's value when the text reads as a decimal number: blanks around it, an
// optional sign, digits with at most one decimal separator (at least one digit), and an optional
// exponent "e"/"E" with an optional sign and digits.
bool readsAsNumber(std::string_view text, char decimalSeparator, double& value);

}  // namespace tarvio
