// Starting the command interpreter hidden on Windows and reading its exit code.
//
// CreateProcessW rather than the shell: it takes the environment to give the interpreter. Like the
// shell's start of a console program with SW_HIDE, the interpreter gets a console of its own whose
// window is hidden.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/native.h"
#include "platform/process_environment.h"
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

// "C:\Windows\System32\cmd.exe" of this system; empty when the system folder cannot be read.
std::wstring systemInterpreter() {
  wchar_t folder[MAX_PATH];
  UINT n = GetSystemDirectoryW(folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  return std::wstring(folder, n) + L"\\cmd.exe";
}

// The folder of the running program, ending in a backslash; empty when it cannot be read.
std::wstring ownFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

// The interpreter's environment block: entries ended by a null character, one more at the end.
std::wstring environmentBlock(const EnvironmentSettings& settings) {
  std::vector<std::string> inherited;
  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (const wchar_t* p = block; *p; p += wcslen(p) + 1) inherited.push_back(narrow(p));
    FreeEnvironmentStringsW(block);
  }
  std::wstring result;
  for (const auto& entry : interpreterEnvironment(inherited, settings, VariableNames::windows)) {
    result += widen(entry);
    result += L'\0';
  }
  if (result.empty()) result += L'\0';
  result += L'\0';
  return result;
}

class Win32ProcessLauncher : public ProcessLauncher {
 public:
  explicit Win32ProcessLauncher(EnvironmentSettings settings) : settings_(std::move(settings)) {}

  std::unique_ptr<RunningProcess> startInterpreter(std::string_view parameters) override {
    std::wstring interpreter = systemInterpreter();
    std::wstring folder = ownFolder();
    if (interpreter.empty() || folder.empty()) return nullptr;
    std::wstring commandLine = L"\"" + interpreter + L"\" " + widen(parameters);
    std::wstring environment = environmentBlock(settings_);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;  // no window to be seen
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(interpreter.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_NEW_CONSOLE | CREATE_UNICODE_ENVIRONMENT, environment.data(), folder.c_str(), &startup,
                        &info)) {
      return nullptr;
    }
    CloseHandle(info.hThread);
    return std::make_unique<Win32Process>(info.hProcess);
  }

 private:
  EnvironmentSettings settings_;
};

}  // namespace

std::unique_ptr<ProcessLauncher> makeNativeProcessLauncher(const std::string&, const std::string&,
                                                           const EnvironmentSettings& settings) {
  return std::make_unique<Win32ProcessLauncher>(settings);
}

}  // namespace tarvio
