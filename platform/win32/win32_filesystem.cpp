// The file system on Windows through the wide-char API; paths are used as the program writes them.
#ifndef NOMINMAX
#define NOMINMAX  // std::min, not the macro
#endif
#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/buffered_output_file.h"
#include "platform/file_transfer_checks.h"
#include "platform/native.h"
#include "platform/win32/wide.h"

namespace tarvio {

namespace {

constexpr DWORD kInvalid = INVALID_FILE_ATTRIBUTES;

// The system's text for an error code, in English where the system has it, without the
// trailing ".", blanks and line break that FormatMessage ends it with.
std::string systemText(DWORD code) {
  wchar_t* buffer = nullptr;
  DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  DWORD n = FormatMessageW(flags, nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                           reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  if (n == 0) {
    n = FormatMessageW(flags, nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  }
  if (n == 0) return "System error " + std::to_string(code);
  std::wstring text(buffer, n);
  LocalFree(buffer);
  while (!text.empty() && (text.back() == L'.' || text.back() == L' ' || text.back() == L'\r' || text.back() == L'\n')) {
    text.pop_back();
  }
  return narrow(text);
}

FileError pathError(const char* what, std::string_view path, DWORD code) {
  return FileError(std::string(what) + " \"" + std::string(path) + "\". " + systemText(code));
}

// A path for the wide-char file API. Paths from 248 characters on get the "\\?\" form, which lifts the
// limit of MAX_PATH (260) on every Windows version; that form takes the path as it is, so it is made
// absolute and normalised first ("/" to "\", "." and ".." resolved), as the API would do itself.
std::wstring widePath(std::string_view path) {
  std::wstring wide = widen(path);
  if (wide.size() < 248 || wide.rfind(L"\\\\?\\", 0) == 0) return wide;
  DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (n == 0) return wide;
  std::wstring full(n, L'\0');
  n = GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
  full.resize(n);
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);  // \\server\share\...
  if (full.size() >= 3 && full[1] == L':') return L"\\\\?\\" + full;
  return wide;
}

DWORD attributesOf(std::string_view path) { return GetFileAttributesW(widePath(path).c_str()); }
bool isDir(std::string_view path) {
  DWORD a = attributesOf(path);
  return a != kInvalid && (a & FILE_ATTRIBUTE_DIRECTORY);
}
bool isFile(std::string_view path) {
  DWORD a = attributesOf(path);
  return a != kInvalid && !(a & FILE_ATTRIBUTE_DIRECTORY);
}
bool existsAtAll(std::string_view path) { return attributesOf(path) != kInvalid; }
bool isReadOnlyFile(std::string_view path) {
  DWORD a = attributesOf(path);
  return a != kInvalid && !(a & FILE_ATTRIBUTE_DIRECTORY) && (a & FILE_ATTRIBUTE_READONLY);
}

bool isSeparator(char c) { return c == '\\' || c == '/'; }

std::string_view withoutTrailingSeparators(std::string_view path) {
  // "C:\" keeps its backslash: "C:" alone means the drive's current folder.
  while (path.size() > 1 && isSeparator(path.back()) && !(path.size() == 3 && path[1] == ':')) path.remove_suffix(1);
  return path;
}

// The folder that holds path: "C:\a\b.txt" -> "C:\a", "C:\b.txt" -> "C:\", "b.txt" -> ".".
std::string parentOf(std::string_view path) {
  path = withoutTrailingSeparators(path);
  size_t at = path.find_last_of("\\/");
  if (at == std::string_view::npos) return (path.size() >= 2 && path[1] == ':') ? std::string(path.substr(0, 2)) + "\\" : ".";
  if (at == 2 && path[1] == ':') return std::string(path.substr(0, 3));
  if (at == 0) return std::string(path.substr(0, 1));
  return std::string(path.substr(0, at));
}

std::string join(std::string_view folder, std::string_view name) {
  std::string out(withoutTrailingSeparators(folder));
  if (!isSeparator(out.back())) out += '\\';
  return out + std::string(name);
}

LocalTime toLocalTime(const FILETIME& ft) {
  SYSTEMTIME utc{}, local{};
  FileTimeToSystemTime(&ft, &utc);
  // The offset in force on that date, not today's: the same rule as localtime on POSIX.
  SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
  return LocalTime{local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond, local.wMilliseconds};
}

// Calls each(name, data) for every entry of folder matching pattern, "." and ".." left out. A missing
// folder lists as empty; one that exists but cannot be listed (access denied, a path too long, a
// failure half-way) throws FileError naming the folder: it must never look empty.
template <typename Each>
void forEachEntry(std::string_view folder, std::string_view pattern, Each each) {
  WIN32_FIND_DATAW data{};
  HANDLE find = FindFirstFileExW(widePath(join(folder, pattern)).c_str(), FindExInfoBasic, &data,
                                 FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) {
    DWORD err = GetLastError();
    if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND || err == ERROR_NO_MORE_FILES) return;
    throw pathError("Cannot list the folder", folder, err);
  }
  struct Closer {
    HANDLE h;
    ~Closer() { FindClose(h); }
  } closer{find};
  for (;;) {
    std::wstring_view name = data.cFileName;
    if (name != L"." && name != L"..") each(narrow(name), data);
    if (!FindNextFileW(find, &data)) {
      DWORD err = GetLastError();
      if (err == ERROR_NO_MORE_FILES) return;
      throw pathError("Cannot list the folder", folder, err);
    }
  }
}

constexpr DWORD kBlockingAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

void clearBlockingAttributes(const std::wstring& path, DWORD attributes) {
  if (attributes & kBlockingAttributes) SetFileAttributesW(path.c_str(), attributes & ~kBlockingAttributes);
}

// Deletes everything inside dir and then dir itself, as far as it can; never throws.
void removeTree(const std::string& dir) noexcept {
  try {
    forEachEntry(dir, "*", [&](const std::string& name, const WIN32_FIND_DATAW& data) {
      std::string child = join(dir, name);
      std::wstring wide = widePath(child);
      clearBlockingAttributes(wide, data.dwFileAttributes);
      bool folder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
      // A junction or symbolic link to a folder is removed itself, never followed.
      if (folder && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) removeTree(child);
      else if (folder) RemoveDirectoryW(wide.c_str());
      else DeleteFileW(wide.c_str());
    });
    std::wstring wide = widePath(dir);
    DWORD own = GetFileAttributesW(wide.c_str());
    if (own != kInvalid) clearBlockingAttributes(wide, own);
    RemoveDirectoryW(wide.c_str());
  } catch (...) {
  }
}

// A file or folder that a folder move left where it was, and why.
struct LeftBehind {
  std::string path;
  DWORD error = ERROR_SUCCESS;
};

// Moves the content of from into the new folder to, file by file; a file on another volume (the
// target reached through a junction, say) is copied and its source removed. Emptied source folders
// are removed. What cannot be moved stays where it is and the rest goes on; the first such file or
// folder is told. Never throws.
std::optional<LeftBehind> moveTree(const std::string& from, const std::string& to) noexcept {
  std::optional<LeftBehind> first;
  auto note = [&](const std::string& path, DWORD error) {
    if (!first) first = LeftBehind{path, error};
  };
  try {
    std::wstring wideFrom = widePath(from), wideTo = widePath(to);
    DWORD own = GetFileAttributesW(wideFrom.c_str());
    if (!CreateDirectoryW(wideTo.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      return LeftBehind{from, GetLastError()};
    }
    forEachEntry(from, "*", [&](const std::string& name, const WIN32_FIND_DATAW& data) {
      std::string source = join(from, name), target = join(to, name);
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        if (auto left = moveTree(source, target)) note(left->path, left->error);
      } else if (!MoveFileExW(widePath(source).c_str(), widePath(target).c_str(), MOVEFILE_COPY_ALLOWED)) {
        note(source, GetLastError());  // keeps attributes and times when it succeeds
      }
    });
    if (own != kInvalid) {
      SetFileAttributesW(wideTo.c_str(), own & ~FILE_ATTRIBUTE_DIRECTORY);
      clearBlockingAttributes(wideFrom, own);
    }
    if (!RemoveDirectoryW(wideFrom.c_str()) && own != kInvalid) SetFileAttributesW(wideFrom.c_str(), own);
  } catch (const FileError&) {
    note(from, ERROR_READ_FAULT);  // the folder could not be listed to its end
  } catch (...) {
    note(from, ERROR_NOT_ENOUGH_MEMORY);
  }
  return first;
}

class Win32InputFile : public InputFile {
 public:
  Win32InputFile(HANDLE h, std::string path) : h_(h), path_(std::move(path)) {}
  ~Win32InputFile() override { CloseHandle(h_); }

  int64_t size() override {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(h_, &size)) throw pathError("Cannot read file", path_, GetLastError());
    return size.QuadPart;
  }

  size_t readAt(uint64_t offset, void* buffer, size_t n) override {
    size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < n) {
      // An explicit offset in each call, so that threads sharing the handle do not race on its position.
      OVERLAPPED at{};
      uint64_t position = offset + done;
      at.Offset = static_cast<DWORD>(position);
      at.OffsetHigh = static_cast<DWORD>(position >> 32);
      DWORD chunk = static_cast<DWORD>(std::min<size_t>(n - done, 1u << 30));
      DWORD got = 0;
      if (!ReadFile(h_, out + done, chunk, &got, &at)) {
        DWORD err = GetLastError();
        if (err == ERROR_HANDLE_EOF) break;
        throw pathError("Cannot read file", path_, err);
      }
      if (got == 0) break;
      done += got;
    }
    return done;
  }

 private:
  HANDLE h_;
  std::string path_;
};

// The unbuffered file under the shared buffered output file.
class Win32RawOutputFile : public RawOutputFile {
 public:
  Win32RawOutputFile(HANDLE h, std::string path) : h_(h), path_(std::move(path)) {}
  ~Win32RawOutputFile() override {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }

  void writeAll(const char* p, size_t n) override {
    while (n > 0) {
      DWORD chunk = static_cast<DWORD>(std::min<size_t>(n, 1u << 30));
      DWORD put = 0;
      if (!WriteFile(h_, p, chunk, &put, nullptr)) throw pathError("Cannot write file", path_, GetLastError());
      p += put;
      n -= put;
    }
  }

  void close() override {
    HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    if (!CloseHandle(h)) throw pathError("Cannot write file", path_, GetLastError());
  }

 private:
  HANDLE h_;
  std::string path_;
};

// The queries of the copy and move checks, on the program's own paths.
struct DrivePathQueries {
  bool isFolder(const std::string& p) const { return isDir(p); }
  bool isFile(const std::string& p) const { return tarvio::isFile(p); }
  bool exists(const std::string& p) const { return existsAtAll(p); }
  std::string parentOf(const std::string& p) const { return tarvio::parentOf(p); }
};

class Win32FileSystem : public FileSystem {
 public:
  bool fileExists(std::string_view path) override { return isFile(path); }
  bool directoryExists(std::string_view path) override { return isDir(path); }

  bool createDirectory(std::string_view path) override { return CreateDirectoryW(widePath(path).c_str(), nullptr) != 0; }

  bool forceDirectories(std::string_view path) override {
    path = withoutTrailingSeparators(path);
    if (path.empty()) return false;
    if (isDir(path)) return true;
    std::string parent = parentOf(path);
    if (parent != "." && parent.size() < path.size() && !isDir(parent) && !forceDirectories(parent)) return false;
    CreateDirectoryW(widePath(path).c_str(), nullptr);
    return isDir(path);
  }

  bool deleteFile(std::string_view path) override { return DeleteFileW(widePath(path).c_str()) != 0; }

  void deleteTree(std::string_view path) override {
    try {
      DWORD a = attributesOf(path);
      if (a == kInvalid || !(a & FILE_ATTRIBUTE_DIRECTORY)) return;
      removeTree(std::string(withoutTrailingSeparators(path)));
    } catch (...) {
    }
  }

  void copyFile(std::string_view from, std::string_view to) override {
    checkFileTransfer(DrivePathQueries{}, std::string(from), std::string(to));
    if (!CopyFileW(widePath(from).c_str(), widePath(to).c_str(), TRUE)) throw FileError(systemText(GetLastError()));
  }

  void moveFile(std::string_view from, std::string_view to) override {
    checkFileTransfer(DrivePathQueries{}, std::string(from), std::string(to));
    if (!MoveFileExW(widePath(from).c_str(), widePath(to).c_str(), 0)) throw FileError(systemText(GetLastError()));
  }

  void moveDirectory(std::string_view from, std::string_view to) override {
    checkFolderMove(DrivePathQueries{}, std::string(from), std::string(to));
    if (auto left = moveTree(std::string(withoutTrailingSeparators(from)), std::string(withoutTrailingSeparators(to)))) {
      throw FileError("Cannot move the folder \"" + std::string(from) + "\" to \"" + std::string(to) + "\": \"" +
                      left->path + "\" was left where it was. " + systemText(left->error));
    }
  }

  std::vector<DirEntry> listDirectory(std::string_view folder) override {
    std::vector<DirEntry> entries;
    forEachEntry(folder, "*", [&](const std::string& name, const WIN32_FIND_DATAW& data) {
      DirEntry entry;
      entry.name = name;
      entry.isDirectory = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
      entry.attributes = data.dwFileAttributes;
      entry.size = entry.isDirectory ? 0 : static_cast<int64_t>((uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow);
      entry.lastWrite = toLocalTime(data.ftLastWriteTime);
      entries.push_back(std::move(entry));
    });
    return entries;
  }

  std::vector<std::string> listFiles(std::string_view folder, std::string_view pattern) override {
    std::string_view base = withoutTrailingSeparators(folder);
    if (!isDir(base)) throw FileError(std::string(fserr::pathNotFound));
    std::vector<std::string> files;
    forEachEntry(base, pattern, [&](const std::string& name, const WIN32_FIND_DATAW& data) {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(join(base, name));
    });
    return files;
  }

  int64_t fileSize(std::string_view path) override {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(widePath(path).c_str(), GetFileExInfoStandard, &data)) return -1;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
    return static_cast<int64_t>((uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow);
  }

  std::optional<uint32_t> attributes(std::string_view path) override {
    DWORD a = attributesOf(path);
    if (a == kInvalid) return std::nullopt;
    return a;
  }

  bool setAttributes(std::string_view path, uint32_t attributes) override {
    constexpr DWORD settable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                               FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                               FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    DWORD a = attributes & settable;
    return SetFileAttributesW(widePath(path).c_str(), a == 0 ? FILE_ATTRIBUTE_NORMAL : a) != 0;
  }

  std::optional<LocalTime> lastWriteTime(std::string_view path) override {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(widePath(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    return toLocalTime(data.ftLastWriteTime);
  }

  bool setLastWriteTime(std::string_view path, const LocalTime& time) override {
    SYSTEMTIME local{};
    local.wYear = static_cast<WORD>(time.year);
    local.wMonth = static_cast<WORD>(time.month);
    local.wDay = static_cast<WORD>(time.day);
    local.wHour = static_cast<WORD>(time.hour);
    local.wMinute = static_cast<WORD>(time.minute);
    local.wSecond = static_cast<WORD>(time.second);
    local.wMilliseconds = static_cast<WORD>(time.millisecond);
    SYSTEMTIME utc{};
    FILETIME ft{};
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !SystemTimeToFileTime(&utc, &ft)) return false;
    // Backup semantics let the same call stamp a folder.
    HANDLE h = CreateFileW(widePath(path).c_str(), FILE_WRITE_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BOOL ok = SetFileTime(h, nullptr, nullptr, &ft);
    CloseHandle(h);
    return ok != 0;
  }

  std::unique_ptr<InputFile> openRead(std::string_view path) override {
    // The server keeps running during a backup: files it holds open for writing, or deletes, must
    // still be readable; whatever they hold at the moment of reading is archived.
    HANDLE h = CreateFileW(widePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw pathError("Cannot open file", path, GetLastError());
    return std::make_unique<Win32InputFile>(h, std::string(path));
  }

  std::unique_ptr<OutputFile> createFile(std::string_view path) override {
    // Checked here as well: Wine running as root would truncate a read-only file.
    if (isReadOnlyFile(path)) throw pathError("Cannot create file", path, ERROR_ACCESS_DENIED);
    HANDLE h = CreateFileW(widePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw pathError("Cannot create file", path, GetLastError());
    return std::make_unique<BufferedOutputFile>(std::make_unique<Win32RawOutputFile>(h, std::string(path)),
                                                std::string(path));
  }

  void renameReplacing(std::string_view from, std::string_view to) override {
    DWORD err = ERROR_SUCCESS;
    if (isReadOnlyFile(to)) {
      err = ERROR_ACCESS_DENIED;  // as createFile: Wine as root would replace it
    } else if (!flushToDisk(from)) {
      err = GetLastError();
    } else {
      // A virus scanner or an indexer may hold the fresh file, or the one it replaces, for a moment:
      // a sharing violation or a denied access is tried again for a few seconds, with a growing pause.
      DWORD pause = 50, waited = 0;
      while (!MoveFileExW(widePath(from).c_str(), widePath(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        err = GetLastError();
        bool held = err == ERROR_SHARING_VIOLATION || err == ERROR_ACCESS_DENIED || err == ERROR_LOCK_VIOLATION;
        if (!held || waited >= kRenameRetryMilliseconds) break;
        Sleep(pause);
        waited += pause;
        pause = std::min<DWORD>(pause * 2, 1000);
        err = ERROR_SUCCESS;
      }
    }
    if (err != ERROR_SUCCESS) {
      throw FileError("Cannot rename file \"" + std::string(from) + "\" to \"" + std::string(to) + "\". " +
                      systemText(err));
    }
  }

  void appendWhole(std::string_view path, std::string_view data) override {
    DWORD err = ERROR_SUCCESS;
    if (isReadOnlyFile(path)) {
      err = ERROR_ACCESS_DENIED;  // as createFile: Wine as root would write to it
    } else {
      HANDLE h = CreateFileW(widePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (h == INVALID_HANDLE_VALUE) {
        err = GetLastError();
      } else {
        err = appendUnderLock(h, data);
        CloseHandle(h);
      }
    }
    if (err != ERROR_SUCCESS) throw pathError("Cannot write file", path, err);
  }

  std::optional<FileIdentity> identity(std::string_view path) override {
    return identityOf(widePath(path));
  }

  std::vector<FileIdentity> identityWithAncestors(std::string_view path) override {
    std::vector<FileIdentity> chain;
    // The final path: links, junctions, short names and other spellings resolved by the system.
    HANDLE h = openForQuery(widePath(path));
    if (h == INVALID_HANDLE_VALUE) return chain;
    std::wstring final(32768, L'\0');
    DWORD n = GetFinalPathNameByHandleW(h, final.data(), static_cast<DWORD>(final.size()), FILE_NAME_NORMALIZED);
    CloseHandle(h);
    if (n == 0 || n >= final.size()) return chain;
    final.resize(n);  // "\\?\C:\..." or "\\?\UNC\server\share\..."
    // The root that ends the walk: "\\?\C:\", or "\\?\UNC\server\share".
    size_t rootLength = 7;
    if (final.rfind(L"\\\\?\\UNC\\", 0) == 0) {
      size_t server = final.find(L'\\', 8);
      size_t share = server == std::wstring::npos ? server : final.find(L'\\', server + 1);
      rootLength = share == std::wstring::npos ? final.size() : share;
    }
    for (std::wstring current = final;;) {
      if (auto id = identityOf(current)) chain.push_back(*id);
      if (current.size() <= rootLength) break;
      size_t cut = current.find_last_of(L'\\');
      current = cut < rootLength ? final.substr(0, rootLength) : current.substr(0, cut);
    }
    return chain;
  }

  std::optional<uint64_t> freeSpace(std::string_view path) override {
    ULARGE_INTEGER available{};
    std::wstring folder = widePath(path);
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    if (!GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) return std::nullopt;
    return available.QuadPart;
  }

 private:
  static constexpr DWORD kRenameRetryMilliseconds = 5000;

  // Appenders take turns on a lock of one byte far beyond any data (readers are never kept out), and
  // each writes at the end it finds. Append access alone would let the system find the end, but Wine
  // does not make such a write one step: two programs could write at the same end.
  static DWORD appendUnderLock(HANDLE h, std::string_view data) {
    OVERLAPPED turn{};
    turn.Offset = 0xFFFFFFFE;
    turn.OffsetHigh = 0x7FFFFFFF;
    if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &turn)) return GetLastError();
    DWORD err = ERROR_SUCCESS;
    LARGE_INTEGER end{};
    if (!GetFileSizeEx(h, &end)) {
      err = GetLastError();
    } else {
      OVERLAPPED at{};
      at.Offset = end.LowPart;
      at.OffsetHigh = static_cast<DWORD>(end.HighPart);
      DWORD written = 0;
      if (!WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &written, &at)) err = GetLastError();
      else if (written != data.size()) err = ERROR_DISK_FULL;
      else if (!FlushFileBuffers(h)) err = GetLastError();
    }
    UnlockFileEx(h, 0, 1, 0, &turn);
    return err;
  }

  // A handle that reads nothing but the file's or folder's own information; links are followed.
  static HANDLE openForQuery(const std::wstring& path) {
    return CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  }

  static std::optional<FileIdentity> identityOf(const std::wstring& path) {
    HANDLE h = openForQuery(path);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    BOOL ok = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    if (!ok) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber, (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
  }

  // Writes the file's data through to the disk, so that a power loss soon after the rename cannot
  // leave the final name holding a file of zeros.
  static bool flushToDisk(std::string_view path) {
    HANDLE h = CreateFileW(widePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BOOL flushed = FlushFileBuffers(h);
    DWORD err = GetLastError();
    CloseHandle(h);
    SetLastError(err);
    return flushed != 0;
  }
};

}  // namespace

std::unique_ptr<FileSystem> makeNativeFileSystem(const std::string&) { return std::make_unique<Win32FileSystem>(); }

}  // namespace tarvio
