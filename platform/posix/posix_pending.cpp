// Placeholders for the POSIX platform parts that are being written.
#include <stdexcept>

#include "platform/native.h"

namespace tarvio {

std::unique_ptr<FileSystem> makeNativeFileSystem(const std::string&) {
  throw std::runtime_error("The POSIX file system is not available in this build yet");
}
std::unique_ptr<CodePages> makeNativeCodePages() {
  throw std::runtime_error("The POSIX code pages are not available in this build yet");
}
std::unique_ptr<ProcessLauncher> makeNativeProcessLauncher(const std::string&, const std::string&) {
  throw std::runtime_error("The POSIX process launcher is not available in this build yet");
}

}  // namespace tarvio
