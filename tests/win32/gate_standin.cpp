// A program that holds a script up for the GUI tests under Wine: copied as pg_dump.exe, it waits
// while a file named after itself plus ".gate" exists, then ends with exit code 1 and writes
// nothing, like a dump that failed. The driver thus decides how long a run stays in its first step.
#include <windows.h>

#include <string>

int main() {
  wchar_t self[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 2;
  const std::wstring gate = std::wstring(self, n) + L".gate";
  // At most ten minutes, so that a driver that died does not leave it behind for ever.
  for (int waited = 0; GetFileAttributesW(gate.c_str()) != INVALID_FILE_ATTRIBUTES && waited < 600000; waited += 20) {
    Sleep(20);
  }
  return 1;
}
