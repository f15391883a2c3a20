// A drive that fills up: wraps the installed file system, lets the files written through it take
// a given number of bytes in all, then fails every further write the way a full disk does.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/platform.h"

namespace tarvio::test {

class FullDisk : public FileSystem {
 public:
  // Installs itself over the current platform's file system until destroyed.
  explicit FullDisk(uint64_t freeBytes);
  ~FullDisk() override;
  FullDisk(const FullDisk&) = delete;
  FullDisk& operator=(const FullDisk&) = delete;

  bool fileExists(std::string_view p) override { return real_.fileExists(p); }
  bool directoryExists(std::string_view p) override { return real_.directoryExists(p); }
  bool createDirectory(std::string_view p) override { return real_.createDirectory(p); }
  bool forceDirectories(std::string_view p) override { return real_.forceDirectories(p); }
  bool deleteFile(std::string_view p) override { return real_.deleteFile(p); }
  void deleteTree(std::string_view p) override { real_.deleteTree(p); }
  void copyFile(std::string_view from, std::string_view to) override { real_.copyFile(from, to); }
  void moveFile(std::string_view from, std::string_view to) override { real_.moveFile(from, to); }
  void moveDirectory(std::string_view from, std::string_view to) override { real_.moveDirectory(from, to); }
  std::vector<DirEntry> listDirectory(std::string_view f) override { return real_.listDirectory(f); }
  std::vector<std::string> listFiles(std::string_view f, std::string_view p) override { return real_.listFiles(f, p); }
  int64_t fileSize(std::string_view p) override { return real_.fileSize(p); }
  std::optional<uint32_t> attributes(std::string_view p) override { return real_.attributes(p); }
  bool setAttributes(std::string_view p, uint32_t a) override { return real_.setAttributes(p, a); }
  std::optional<LocalTime> lastWriteTime(std::string_view p) override { return real_.lastWriteTime(p); }
  bool setLastWriteTime(std::string_view p, const LocalTime& t) override { return real_.setLastWriteTime(p, t); }
  std::unique_ptr<InputFile> openRead(std::string_view p) override { return real_.openRead(p); }
  std::unique_ptr<OutputFile> createFile(std::string_view path) override;
  void renameReplacing(std::string_view from, std::string_view to) override { real_.renameReplacing(from, to); }
  std::optional<FileIdentity> identity(std::string_view p) override { return real_.identity(p); }
  std::vector<FileIdentity> identityWithAncestors(std::string_view p) override { return real_.identityWithAncestors(p); }
  std::optional<uint64_t> freeSpace(std::string_view) override { return free_.load(); }

  // Bytes written through this drive, refused ones not counted.
  uint64_t written() const { return written_; }

 private:
  class File;
  FileSystem& real_;
  Platform previous_;
  std::atomic<uint64_t> free_;
  std::atomic<uint64_t> written_{0};
};

}  // namespace tarvio::test
