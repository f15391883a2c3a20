// The system's 8-bit code pages: ANSI (script files, request bodies) and OEM (ZIP entry names).
// On Windows the system's own; elsewhere Windows-1252 and 850, as on a Portuguese-language Windows.
#pragma once

#include <string>
#include <string_view>

namespace tarvio {

struct Encoded {
  std::string bytes;  // the text in the code page; an unrepresentable character becomes '?'
  bool exact = true;  // false when some character could not be represented
};

// A conversion that the system cannot make at all (a page it does not have) raises an error
// (std::runtime_error) rather than giving an empty text.
class CodePages {
 public:
  virtual ~CodePages() = default;
  virtual Encoded toAnsi(std::string_view utf8) const = 0;
  virtual std::string fromAnsi(std::string_view bytes) const = 0;  // to UTF-8
  virtual Encoded toOem(std::string_view utf8) const = 0;
  virtual std::string fromOem(std::string_view bytes) const = 0;  // to UTF-8
};

}  // namespace tarvio
