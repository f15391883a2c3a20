// A Windows stand-in for one of PostgreSQL's client programs, for the checks under Wine: copied as
// pg_dump.exe (or psql.exe, dropdb.exe, createdb.exe, pg_restore.exe), it runs the Linux program of
// the same name with the same arguments, Windows paths among them turned into Unix paths, and
// passes its output and exit code back as if it had run itself.
#include <windows.h>

#include <cctype>
#include <cwctype>
#include <string>
#include <vector>

namespace {

// Wine's own exports: ntdll's __wine_unix_spawnvp runs a Unix program (wait != 0: until it ends,
// returning its exit status, or an NTSTATUS above 255 when it could not start); kernel32's
// wine_get_unix_file_name maps a Windows path to a Unix path (the result is freed with HeapFree).
using UnixSpawn = LONG(WINAPI*)(char* const argv[], int wait);
using UnixFileName = char*(CDECL*)(const WCHAR* dosName);

UnixSpawn unixSpawn;
UnixFileName unixFileName;

std::string utf8(const std::wstring& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

void say(const std::string& text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

bool isDrivePath(const std::wstring& s) {
  return s.size() >= 3 && std::iswalpha(s[0]) && s[1] == L':' && (s[2] == L'\\' || s[2] == L'/');
}

// A drive path as Unix sees it; other text unchanged.
std::string unixText(const std::wstring& s) {
  if (!isDrivePath(s)) return utf8(s);
  char* name = unixFileName(s.c_str());
  if (!name) return utf8(s);
  std::string result = name;
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

// The file name of this program without folder and extension: "pg_dump" for ...\pg_dump.exe.
std::wstring ownName() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring name(path, n);
  name = name.substr(name.find_last_of(L"\\/") + 1);
  return name.substr(0, name.find_last_of(L'.'));
}

std::wstring environmentValue(const wchar_t* name, const wchar_t* fallback) {
  wchar_t buffer[4096];
  DWORD n = GetEnvironmentVariableW(name, buffer, 4096);
  return n > 0 && n < 4096 ? std::wstring(buffer, n) : fallback;
}

// PostgreSQL's settings from the Windows environment (the script's SET commands live there, not in
// the Unix environment), as NAME=value with paths in Unix form. Without a PGHOST, libpq connects to
// localhost on Windows but to a Unix socket on Linux: the Windows default is given.
std::vector<std::string> postgresSettings() {
  std::vector<std::string> settings;
  bool host = false;
  wchar_t* block = GetEnvironmentStringsW();
  for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
    std::wstring entry = p;
    size_t eq = entry.find(L'=');
    if (eq == std::wstring::npos || eq < 2 || _wcsnicmp(entry.c_str(), L"PG", 2) != 0) continue;
    std::string name = utf8(entry.substr(0, eq));
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    host = host || name == "PGHOST";
    settings.push_back(name + "=" + unixText(entry.substr(eq + 1)));
  }
  FreeEnvironmentStringsW(block);
  if (!host) settings.push_back("PGHOST=localhost");
  return settings;
}

std::wstring temporaryFile() {
  wchar_t folder[MAX_PATH], file[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  GetTempFileNameW(folder, L"pgw", 0, file);
  return file;
}

// Copies a file to a standard handle, then deletes it.
void passOn(const std::wstring& file, DWORD standardHandle) {
  HANDLE in = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (in != INVALID_HANDLE_VALUE) {
    HANDLE out = GetStdHandle(standardHandle);
    static char buffer[1 << 16];
    DWORD got = 0, written = 0;
    while (ReadFile(in, buffer, sizeof buffer, &got, nullptr) && got > 0) {
      if (!WriteFile(out, buffer, got, &written, nullptr)) break;
    }
    CloseHandle(in);
  }
  DeleteFileW(file.c_str());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  unixSpawn = reinterpret_cast<UnixSpawn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "__wine_unix_spawnvp")));
  unixFileName = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(GetProcAddress(kernel32, "wine_get_unix_file_name")));
  if (!unixSpawn || !unixFileName) {
    say("wine_pg_wrapper: runs only under Wine\n");
    return 127;
  }

  // The Unix program writes into two temporary files, which are then copied to this program's own
  // standard output and error: those are Windows handles (cmd's redirection of the script), which a
  // Unix child cannot inherit. Standard input is empty; in a session of its own the program has no
  // terminal to prompt for a password on, and fails instead, as in the hidden console on Windows.
  // libpq on Unix ignores a password file that others may read, a check Windows does not make, and
  // cmd's "echo ... >" writes it with the default mode: the file is made private first.
  std::wstring outFile = temporaryFile(), errFile = temporaryFile();
  std::vector<std::string> args = {"/usr/bin/env"};
  for (auto& s : postgresSettings()) args.push_back(s);
  for (const char* a : {"/bin/sh", "-c",
                        "out=$1 err=$2; shift 2\n"
                        "if [ -f \"${PGPASSFILE:-}\" ]; then chmod go-rwx \"$PGPASSFILE\"; fi\n"
                        "exec setsid -w \"$@\" </dev/null >\"$out\" 2>\"$err\"",
                        "sh"}) {
    args.push_back(a);
  }
  args.push_back(unixText(outFile));
  args.push_back(unixText(errFile));
  args.push_back(utf8(environmentValue(L"TARVIO_PG_BIN", L"/usr/lib/postgresql/15/bin")) + "/" + utf8(ownName()));
  for (int i = 1; i < argc; ++i) args.push_back(unixText(argv[i]));

  std::vector<char*> unixArgv;
  for (auto& a : args) unixArgv.push_back(a.data());
  unixArgv.push_back(nullptr);
  LONG status = unixSpawn(unixArgv.data(), 1);

  passOn(outFile, STD_OUTPUT_HANDLE);
  passOn(errFile, STD_ERROR_HANDLE);
  if (status < 0 || status > 255) {
    say("wine_pg_wrapper: cannot start " + args[args.size() - argc] + "\n");
    return 127;
  }
  return static_cast<int>(status);
}
