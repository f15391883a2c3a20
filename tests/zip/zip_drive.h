// A private drive C: for the archive engine's tests: a temporary folder served by the real POSIX
// file system and code pages, with a fixed clock, plus helpers to make files and run tools.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace tarvio::test {

// A clock that stands still at a chosen time (folder entries carry the time they were added).
class FixedClock : public Clock {
 public:
  LocalTime current{2024, 3, 5, 9, 7, 4, 0};
  LocalTime now() override { return current; }
  void sleep(unsigned) override {}
};

class ZipDrive {
 public:
  ZipDrive();
  ~ZipDrive();
  ZipDrive(const ZipDrive&) = delete;
  ZipDrive& operator=(const ZipDrive&) = delete;

  // "C:\a\b" -> "<root>/a/b"
  std::string host(const std::string& drivePath) const;
  void write(const std::string& drivePath, const std::string& content);
  std::string read(const std::string& drivePath) const;
  void makeFolder(const std::string& drivePath);
  bool exists(const std::string& drivePath) const;
  // Every file and folder below the drive, as sorted "/"-separated relative paths (folders end in "/").
  std::string tree(const std::string& drivePath = "C:") const;

  FixedClock clock;

 private:
  std::string root_;
  std::unique_ptr<FileSystem> fs_;
  std::unique_ptr<CodePages> codePages_;
  Platform previous_;
};

// Runs a shell command; returns its exit status and fills `output` with stdout and stderr.
int runCommand(const std::string& command, std::string* output = nullptr);
bool haveTool(const std::string& name);
std::string shellQuote(const std::string& s);

}  // namespace tarvio::test
