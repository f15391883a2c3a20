// The system's text for a Windows error code.
#pragma once

#include <string>

namespace tarvio {

// In English where the system has it, without the trailing ".", blanks and line break that
// FormatMessage ends it with; "System error N" when the system has no text for the code.
std::string systemErrorText(unsigned long code);

}  // namespace tarvio
