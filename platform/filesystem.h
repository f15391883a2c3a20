// File-system operations with Windows semantics, used by every layer above the platform.
// Paths are the program's own Windows texts ("C:\Meridano\Tarvio\backup"), UTF-8 encoded. The Win32
// implementation passes them to the wide-char API as they are; the POSIX one maps drive C: to a folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarvio {

// Windows file attribute bits; the same values on every platform.
namespace attr {
constexpr uint32_t readOnly = 0x1;
constexpr uint32_t hidden = 0x2;
constexpr uint32_t system = 0x4;
constexpr uint32_t volumeLabel = 0x8;
constexpr uint32_t directory = 0x10;
constexpr uint32_t archive = 0x20;
constexpr uint32_t normal = 0x80;
constexpr uint32_t temporary = 0x100;
constexpr uint32_t sparse = 0x200;
constexpr uint32_t reparsePoint = 0x400;
constexpr uint32_t compressed = 0x800;
constexpr uint32_t offline = 0x1000;
constexpr uint32_t notContentIndexed = 0x2000;
constexpr uint32_t encrypted = 0x4000;
}  // namespace attr

// A local (wall-clock) date and time, as the file system and the clock report it.
struct LocalTime {
  int year = 1980;
  int month = 1;   // 1..12
  int day = 1;     // 1..31
  int hour = 0;    // 0..23
  int minute = 0;
  int second = 0;
  int millisecond = 0;
  bool operator==(const LocalTime&) const = default;
};

// One entry of a folder listing.
struct DirEntry {
  std::string name;         // the entry's own name, UTF-8, no folder part
  bool isDirectory = false;
  uint32_t attributes = 0;  // Windows attribute bits (attr::...)
  int64_t size = 0;         // bytes; 0 for folders
  LocalTime lastWrite;      // local time of the last write
};

// Who a file or folder is, whatever path names it (another spelling, a short name, a link, a share
// of the same disk): the volume it lies on and its number there.
struct FileIdentity {
  uint64_t volume = 0;
  uint64_t index = 0;
  bool operator==(const FileIdentity&) const = default;
};

// A failure of a file operation. The message is the English text that the user sees
// ("The specified file was not found", "Cannot create file "%s". %s", ...).
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Exact texts of the failures that callers and users rely on.
namespace fserr {
inline constexpr std::string_view pathNotFound = "The specified path was not found";
inline constexpr std::string_view fileNotFound = "The specified file was not found";
inline constexpr std::string_view fileExists = "The specified file already exists";
inline constexpr std::string_view directoryExists = "The specified directory already exists";
}  // namespace fserr

// A file open for reading. Reads at explicit offsets, so several threads may read one file.
class InputFile {
 public:
  virtual ~InputFile() = default;
  virtual int64_t size() = 0;
  // Reads up to n bytes at offset; returns fewer only at the end of the file. Throws FileError.
  virtual size_t readAt(uint64_t offset, void* buffer, size_t n) = 0;
};

// A file open for writing, created or truncated. Throws FileError on any failure (disk full...).
class OutputFile {
 public:
  virtual ~OutputFile() = default;  // closes without reporting; call close() to learn of failures
  virtual void write(const void* data, size_t n) = 0;
  virtual void close() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual bool fileExists(std::string_view path) = 0;       // an existing file, not a folder
  virtual bool directoryExists(std::string_view path) = 0;  // an existing folder
  // Creates one folder (its parent must exist). False when it fails or already exists.
  virtual bool createDirectory(std::string_view path) = 0;
  // Creates a folder with every missing parent. True when the folder exists afterwards.
  virtual bool forceDirectories(std::string_view path) = 0;
  // Deletes one file. False when it fails (a missing file included).
  virtual bool deleteFile(std::string_view path) = 0;
  // Deletes a folder with everything in it, clearing read-only, hidden and system attributes first.
  // What cannot be removed stays where it is; never throws. A missing folder is no error.
  virtual void deleteTree(std::string_view path) = 0;
  // Copies a file, never overwriting. Checks in this order and throws FileError with:
  // source folder missing: pathNotFound; source missing: fileNotFound; target folder missing:
  // pathNotFound; target exists: fileExists; otherwise the system's text for the failure.
  virtual void copyFile(std::string_view from, std::string_view to) = 0;
  // Moves a file to a new name on the same drive; the target must not exist (fileExists).
  // Missing source folder or file: pathNotFound / fileNotFound.
  virtual void moveFile(std::string_view from, std::string_view to) = 0;
  // Moves a folder with its content file by file, keeping attributes; the target must not exist
  // (directoryExists), its parent must. A file on another volume or file system is copied and its
  // source removed; emptied source folders are removed. A file or folder that cannot be moved is left
  // where it is and the rest goes on; then the move throws FileError naming the first one left.
  virtual void moveDirectory(std::string_view from, std::string_view to) = 0;
  // The entries of a folder, without "." and "..", in the order in which the system lists them.
  // A missing folder gives an empty list.
  virtual std::vector<DirEntry> listDirectory(std::string_view folder) = 0;
  // Full paths of the files (not folders) directly inside `folder` whose names match `pattern`
  // ("*" and "?" wildcards, case-insensitive), in listing order. `folder` may end in a backslash.
  // A missing folder throws FileError(pathNotFound).
  virtual std::vector<std::string> listFiles(std::string_view folder, std::string_view pattern) = 0;
  // Size in bytes as a signed 64-bit number; -1 for a missing file or a folder.
  virtual int64_t fileSize(std::string_view path) = 0;
  // Windows attributes of a file or folder; nullopt when it does not exist.
  virtual std::optional<uint32_t> attributes(std::string_view path) = 0;
  virtual bool setAttributes(std::string_view path, uint32_t attributes) = 0;
  virtual std::optional<LocalTime> lastWriteTime(std::string_view path) = 0;
  virtual bool setLastWriteTime(std::string_view path, const LocalTime& time) = 0;

  // Opens an existing file for reading. Throws FileError("Cannot open file "%s". %s").
  virtual std::unique_ptr<InputFile> openRead(std::string_view path) = 0;
  // Creates or truncates a file for writing. Throws FileError("Cannot create file "%s". %s").
  virtual std::unique_ptr<OutputFile> createFile(std::string_view path) = 0;
  // Renames a file over another, replacing it in one step, with its data written through to the disk
  // first. Throws FileError.
  virtual void renameReplacing(std::string_view from, std::string_view to) = 0;
  // Adds `data` at the end of a file, creating the file when it is missing, in one write that is
  // then written through to the disk: programs appending to the same file at the same time each add
  // their whole text, never a part of it between another's. Throws FileError("Cannot write file
  // "%s". %s"); a write the disk could take only in part is such an error too.
  virtual void appendWhole(std::string_view path, std::string_view data) = 0;

  // The identity of an existing file or folder (links followed); nullopt when there is none.
  virtual std::optional<FileIdentity> identity(std::string_view path) = 0;
  // The identities of the existing file or folder at `path` and of every folder that really holds
  // it, up to the root of its drive, links followed; empty when it does not exist.
  virtual std::vector<FileIdentity> identityWithAncestors(std::string_view path) = 0;
  // The bytes this user may still write on the drive that holds the existing folder `path`;
  // nullopt when the system cannot tell.
  virtual std::optional<uint64_t> freeSpace(std::string_view path) = 0;
};

}  // namespace tarvio
