// Starting a program hidden through the shell on Windows and reading its exit code.
#include <windows.h>
#include <shellapi.h>

#include "platform/native.h"
#include "platform/win32/wide.h"

namespace tarvio {

namespace {

class Win32Process : public RunningProcess {
 public:
  explicit Win32Process(HANDLE process) : process_(process) {}
  // Closing the handle leaves the process running.
  ~Win32Process() override { CloseHandle(process_); }

  std::optional<uint32_t> exitCode() override {
    DWORD code = 0;
    if (!GetExitCodeProcess(process_, &code)) return std::nullopt;
    return static_cast<uint32_t>(code);
  }

 private:
  HANDLE process_;
};

class Win32ProcessLauncher : public ProcessLauncher {
 public:
  std::unique_ptr<RunningProcess> startHidden(std::string_view file, std::string_view parameters) override {
    std::wstring wideFile = widen(file), wideParameters = widen(parameters);
    SHELLEXECUTEINFOW info{};                   // every field not named below stays zero
    info.cbSize = sizeof info;                  // the structure's own size
    info.fMask = SEE_MASK_NOCLOSEPROCESS;       // hand back the process handle
    info.hwnd = nullptr;                        // no owner window
    info.lpVerb = nullptr;                      // the default verb
    info.lpFile = wideFile.c_str();             // found on the search path
    info.lpParameters = wideParameters.c_str();
    info.lpDirectory = nullptr;                 // the program's current folder
    info.nShow = SW_HIDE;                       // no window to be seen
    if (!ShellExecuteExW(&info) || info.hProcess == nullptr) return nullptr;
    return std::make_unique<Win32Process>(info.hProcess);
  }
};

}  // namespace

std::unique_ptr<ProcessLauncher> makeNativeProcessLauncher(const std::string&, const std::string&) {
  return std::make_unique<Win32ProcessLauncher>();
}

}  // namespace tarvio
