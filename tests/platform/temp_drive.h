// A temporary folder for file-system tests, named the way the program names its own paths.
// On POSIX the folder is mapped as drive C: ("C:\a\b"); on Windows it is a real folder under the
// user's temporary folder ("C:\users\x\Temp\tarvio-1234\a\b").
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/filesystem.h"

namespace tarvio::test {

// The system's text for a failure, as the file system puts it after a message: the Windows
// texts on POSIX, and on Windows whatever the system's own message table says (Wine words some
// of them differently from Windows).
enum class SystemError { pathNotFound, fileNotFound, accessDenied };
std::string systemText(SystemError error);

class TempDrive {
 public:
  TempDrive();
  ~TempDrive();
  TempDrive(const TempDrive&) = delete;
  TempDrive& operator=(const TempDrive&) = delete;

  // The program's path of rel ("a\b.txt"), below the temporary folder; path("") is the folder itself
  // with a trailing backslash.
  std::string path(std::string_view rel) const { return prefix_ + std::string(rel); }
  // The same place as the host sees it, for checks that bypass the file system under test.
  std::filesystem::path host(std::string_view rel) const;

  FileSystem& fs() { return *fs_; }

  // Writes a file with the given content through std::filesystem (its folder must exist).
  void write(std::string_view rel, std::string_view content) const;
  // The content of a file, read through std::filesystem; throws when it cannot be read.
  std::string read(std::string_view rel) const;
  void mkdirs(std::string_view rel) const;

 private:
  std::filesystem::path root_;  // host folder
  std::string prefix_;          // program path of root_, ending in a backslash
  std::unique_ptr<FileSystem> fs_;
};

}  // namespace tarvio::test
