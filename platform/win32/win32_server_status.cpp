// The server's state on Windows: its processes from a snapshot of the system's processes (every
// session's, names only, which needs no rights), its service from the service control manager, and
// the program's own elevation from its token.
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>

#include "common/ascii.h"
#include "platform/native.h"
#include "platform/win32/wide.h"

namespace tarvio {

namespace {

class Win32ServerStatus : public ServerStatus {
 public:
  std::vector<std::string> runningProcesses(const std::vector<std::string>& images) override {
    std::vector<std::string> running;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return images;  // cannot tell: count them all as running
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
      std::string name = narrow(entry.szExeFile);
      for (const auto& image : images) {
        if (equalsIgnoringAsciiCase(name, image) && std::find(running.begin(), running.end(), image) == running.end()) {
          running.push_back(image);
        }
      }
    }
    CloseHandle(snapshot);
    return running;
  }

  bool serviceRunning(std::string_view name) override {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) return true;
    SC_HANDLE service = OpenServiceW(manager, widen(name).c_str(), SERVICE_QUERY_STATUS);
    DWORD error = GetLastError();
    bool running = true;
    if (service) {
      SERVICE_STATUS status{};
      running = !QueryServiceStatus(service, &status) || status.dwCurrentState != SERVICE_STOPPED;
      CloseServiceHandle(service);
    } else if (error == ERROR_SERVICE_DOES_NOT_EXIST) {
      running = false;  // not installed on this machine
    }
    CloseServiceHandle(manager);
    return running;
  }

  bool elevated() override {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    BOOL ok = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
    CloseHandle(token);
    return ok && elevation.TokenIsElevated != 0;
  }
};

}  // namespace

std::unique_ptr<ServerStatus> makeNativeServerStatus(const std::string&) { return std::make_unique<Win32ServerStatus>(); }

}  // namespace tarvio
