// A stand-in for PostgreSQL's client programs in the responsiveness check under Wine, where no
// database takes part: copied as pg_dump.exe, pg_restore.exe, psql.exe, dropdb.exe and createdb.exe,
// it acts by its own name.
// - pg_dump writes the file standin-dump.backup that lies beside it to its standard output, as a
//   dump of that size would be written;
// - pg_restore --list FILE ends with 0 when FILE begins like a custom-format dump, 1 otherwise;
//   pg_restore ... FILE (the restore) ends with 0 when FILE holds exactly standin-dump.backup, so
//   the dump that went through the backup and the restore is the one that was dumped;
// - psql, dropdb and createdb end with 0 (the database is "gone" and "created").
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::wstring ownPath() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::wstring(path, n);
}

std::wstring folderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\') + 1); }

std::wstring nameOf(const std::wstring& path) {
  std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
  return name.substr(0, name.find_last_of(L'.'));
}

void say(const char* text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, lstrlenA(text), &written, nullptr);
}

struct File {
  HANDLE handle;
  explicit File(const std::wstring& path)
      : handle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~File() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
  bool open() const { return handle != INVALID_HANDLE_VALUE; }
  DWORD read(std::vector<char>& buffer) {
    DWORD got = 0;
    if (!ReadFile(handle, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) return 0;
    return got;
  }
};

int dump(const std::wstring& source) {
  File in(source);
  if (!in.open()) return 1;
  std::vector<char> block(1 << 20);
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  while (DWORD got = in.read(block)) {
    DWORD written = 0;
    if (!WriteFile(out, block.data(), got, &written, nullptr) || written != got) return 1;
  }
  return 0;
}

bool beginsLikeADump(const std::wstring& path) {
  File in(path);
  std::vector<char> head(5);
  return in.open() && in.read(head) == 5 && std::string(head.data(), 5) == "PGDMP";
}

bool sameContent(const std::wstring& a, const std::wstring& b) {
  File x(a), y(b);
  if (!x.open() || !y.open()) return false;
  std::vector<char> bx(1 << 20), by(1 << 20);
  for (;;) {
    DWORD nx = x.read(bx), ny = y.read(by);
    if (nx != ny || std::memcmp(bx.data(), by.data(), nx) != 0) return false;
    if (nx == 0) return true;
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring self = ownPath();
  const std::wstring name = nameOf(self);
  const std::wstring source = folderOf(self) + L"standin-dump.backup";
  if (name == L"pg_dump") return dump(source);
  if (name == L"pg_restore") {
    if (argc < 2) return 1;
    const std::wstring file = argv[argc - 1];
    bool listing = false;
    for (int i = 1; i < argc; ++i) listing = listing || std::wstring(argv[i]) == L"--list";
    if (listing) return beginsLikeADump(file) ? 0 : 1;
    if (sameContent(file, source)) return 0;
    say("pg_restore stand-in: the dump to restore is not the one that was dumped\n");
    return 1;
  }
  return 0;
}
