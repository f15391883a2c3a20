// Placeholders for the Win32 platform parts that are being written.
#include <stdexcept>

#include "platform/native.h"

namespace tarvio {

std::unique_ptr<FileSystem> makeNativeFileSystem(const std::string&) {
  throw std::runtime_error("The Win32 file system is not available in this build yet");
}
std::unique_ptr<CodePages> makeNativeCodePages() {
  throw std::runtime_error("The Win32 code pages are not available in this build yet");
}
std::unique_ptr<ProcessLauncher> makeNativeProcessLauncher(const std::string&, const std::string&) {
  throw std::runtime_error("The Win32 process launcher is not available in this build yet");
}

}  // namespace tarvio
