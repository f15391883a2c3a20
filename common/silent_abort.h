// The silent abort: ends the current user action at once; the error display shows it to nobody.
#pragma once

#include <exception>

namespace tarvio {

class SilentAbort : public std::exception {
 public:
  const char* what() const noexcept override { return "Operation aborted"; }
};

}  // namespace tarvio
