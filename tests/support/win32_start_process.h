// Starting a process from the checks that run under Wine.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace tarvio::test {

// CreateProcessW, tried again when Wine fails the start with ERROR_INTERNAL_ERROR: the new process
// ended before it was set up, so nothing of it ran. CI runs met this now and then (the first start
// of a driver, a start in the middle of a test); more than a thousand starts in a row did not bring
// it back here. It belongs to the harness, not to what any check is about. Returns what
// CreateProcessW returns, with its last error.
inline BOOL startProcess(const std::wstring& commandLine, BOOL inheritHandles, DWORD flags, const wchar_t* folder,
                         STARTUPINFOW& startup, PROCESS_INFORMATION& info) {
  for (int attempt = 1;; ++attempt) {
    std::wstring line = commandLine;  // CreateProcessW may write into it
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, inheritHandles, flags, nullptr, folder, &startup,
                       &info)) {
      return TRUE;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_INTERNAL_ERROR || attempt == 3) {
      SetLastError(error);
      return FALSE;
    }
    std::fprintf(stderr, "# a start failed with ERROR_INTERNAL_ERROR; starting again\n");
    Sleep(200);
  }
}

}  // namespace tarvio::test
