// The system's error texts as Windows words them, for FileError messages on POSIX.
#pragma once

#include <string>

namespace tarvio {

// The text Windows shows for the nearest Windows error, without the trailing period
// ("Access is denied"); errors without a Windows counterpart give strerror's text.
std::string windowsErrorText(int err);

}  // namespace tarvio
