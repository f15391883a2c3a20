// The conversion of a text to a Boolean.
#include "auth/text_to_boolean.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "common/ascii.h"

namespace tarvio {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool readsAsNumber(std::string_view text, char decimalSeparator, double& value) {
  auto begin = text.find_first_not_of(' ');
  if (begin == std::string_view::npos) return false;
  auto end = text.find_last_not_of(' ');
  std::string_view s = text.substr(begin, end - begin + 1);

  // The same number with "." as its separator, for strtod in the "C" notation.
  std::string plain;
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) plain += s[i++];
  std::size_t digits = 0;
  while (i < s.size() && isDigit(s[i])) plain += s[i++], ++digits;
  if (i < s.size() && s[i] == decimalSeparator) {
    plain += '.';
    ++i;
    while (i < s.size() && isDigit(s[i])) plain += s[i++], ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    plain += 'e';
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) plain += s[i++];
    std::size_t exponentDigits = 0;
    while (i < s.size() && isDigit(s[i])) plain += s[i++], ++exponentDigits;
    if (exponentDigits == 0) return false;
  }
  if (i != s.size()) return false;
  // The mantissa's digits alone decide whether the number is zero, so an exponent out of range
  // changes nothing.
  bool zero = plain.substr(0, plain.find('e')).find_first_of("123456789") == std::string::npos;
  value = zero ? 0.0 : std::strtod(plain.c_str(), nullptr);
  if (!zero && value == 0.0) value = 1e-300;  // an underflow still is not zero
  return true;
}

bool textToBoolean(std::string_view text, char decimalSeparator) {
  double number = 0;
  if (readsAsNumber(text, decimalSeparator, number)) return number != 0.0;
  if (equalsIgnoringAsciiCase(text, "True")) return true;
  if (equalsIgnoringAsciiCase(text, "False")) return false;
  throw std::runtime_error("'" + std::string(text) + "' is not a valid boolean value");
}

}  // namespace tarvio
