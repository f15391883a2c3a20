// Placeholder for the POSIX process launcher that is being written.
#include <stdexcept>

#include "platform/native.h"

namespace tarvio {

std::unique_ptr<ProcessLauncher> makeNativeProcessLauncher(const std::string&, const std::string&) {
  throw std::runtime_error("The POSIX process launcher is not available in this build yet");
}

}  // namespace tarvio
