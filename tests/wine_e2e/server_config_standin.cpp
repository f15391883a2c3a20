// A stand-in for Tarvio_Server_Config.exe in the end-to-end check under Wine: records that it was
// started (its command line, appended to a file named after itself plus ".started") and exits.
#include <windows.h>

#include <string>

int main() {
  wchar_t self[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 1;
  std::wstring record = std::wstring(self, n) + L".started";
  HANDLE file = CreateFileW(record.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  const wchar_t* line = GetCommandLineW();
  int size = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
  std::string text(size > 0 ? static_cast<size_t>(size) : 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, line, -1, text.data(), size, nullptr, nullptr);
  text.resize(text.find('\0'));
  text += "\r\n";
  DWORD written = 0;
  BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
  return ok ? 0 : 1;
}
