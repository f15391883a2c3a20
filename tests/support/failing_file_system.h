// A file system that passes every call on to another one, except the failures a test asks for: a
// disk that fills up, or any call made to fail by throwing from a hook. For error paths that the
// real file system cannot be made to take on demand.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/filesystem.h"

namespace tarvio::test {

class FailingFileSystem : public FileSystem {
 public:
  explicit FailingFileSystem(FileSystem& inner) : inner_(inner) {}

  // Called with the operation's name ("createFile", "moveFile", "moveDirectory", "copyFile",
  // "renameReplacing", "deleteFile", "appendWhole") and its first path before the call is passed on;
  // a hook that throws makes the call fail.
  std::function<void(std::string_view operation, std::string_view path)> before;
  // Called after a renameReplacing has put a file in place, with its new path: to spoil it there.
  std::function<void(std::string_view renamedTo)> afterRename;
  // Once this many bytes have been written through createFile's files, every write that does not
  // fit in what is left fails as on a full disk. nullopt: no limit.
  std::optional<uint64_t> diskFullAfter;
  // Writes to files whose path starts with this are the only ones counted and refused (empty: all).
  std::string diskFullBelow;
  // The free space that every drive reports; nullopt: the real one.
  std::optional<uint64_t> freeSpaceOfEveryDrive;

  // The bytes written so far through createFile's files that count (refused writes do not), from
  // any number of threads.
  uint64_t written() const { return written_.load(); }

  bool fileExists(std::string_view path) override { return inner_.fileExists(path); }
  bool directoryExists(std::string_view path) override { return inner_.directoryExists(path); }
  bool createDirectory(std::string_view path) override { return inner_.createDirectory(path); }
  bool forceDirectories(std::string_view path) override { return inner_.forceDirectories(path); }
  bool deleteFile(std::string_view path) override {
    hook("deleteFile", path);
    return inner_.deleteFile(path);
  }
  void deleteTree(std::string_view path) override { inner_.deleteTree(path); }
  void copyFile(std::string_view from, std::string_view to) override {
    hook("copyFile", from);
    inner_.copyFile(from, to);
  }
  void moveFile(std::string_view from, std::string_view to) override {
    hook("moveFile", from);
    inner_.moveFile(from, to);
  }
  void moveDirectory(std::string_view from, std::string_view to) override {
    hook("moveDirectory", from);
    inner_.moveDirectory(from, to);
  }
  std::vector<DirEntry> listDirectory(std::string_view folder) override { return inner_.listDirectory(folder); }
  std::vector<std::string> listFiles(std::string_view folder, std::string_view pattern) override {
    return inner_.listFiles(folder, pattern);
  }
  int64_t fileSize(std::string_view path) override { return inner_.fileSize(path); }
  std::optional<uint32_t> attributes(std::string_view path) override { return inner_.attributes(path); }
  bool setAttributes(std::string_view path, uint32_t attributes) override {
    return inner_.setAttributes(path, attributes);
  }
  std::optional<LocalTime> lastWriteTime(std::string_view path) override { return inner_.lastWriteTime(path); }
  bool setLastWriteTime(std::string_view path, const LocalTime& time) override {
    return inner_.setLastWriteTime(path, time);
  }
  std::unique_ptr<InputFile> openRead(std::string_view path) override { return inner_.openRead(path); }
  std::unique_ptr<OutputFile> createFile(std::string_view path) override;
  void renameReplacing(std::string_view from, std::string_view to) override {
    hook("renameReplacing", from);
    inner_.renameReplacing(from, to);
    if (afterRename) afterRename(to);
  }
  void appendWhole(std::string_view path, std::string_view data) override {
    hook("appendWhole", path);
    inner_.appendWhole(path, data);
  }
  std::optional<FileIdentity> identity(std::string_view path) override { return inner_.identity(path); }
  std::vector<FileIdentity> identityWithAncestors(std::string_view path) override {
    return inner_.identityWithAncestors(path);
  }
  std::optional<uint64_t> freeSpace(std::string_view path) override {
    return freeSpaceOfEveryDrive ? freeSpaceOfEveryDrive : inner_.freeSpace(path);
  }

 private:
  class CountedFile;
  void hook(std::string_view operation, std::string_view path) {
    if (before) before(operation, path);
  }
  // Takes n bytes of the disk's room for a write to path, or throws the full disk's error.
  void take(uint64_t n, const std::string& path);

  FileSystem& inner_;
  std::atomic<uint64_t> written_{0};
};

}  // namespace tarvio::test
