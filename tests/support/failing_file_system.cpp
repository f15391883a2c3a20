// The failure-injecting file system.
#include "tests/support/failing_file_system.h"

namespace tarvio::test {

// A file whose writes count against the disk's room.
class FailingFileSystem::CountedFile : public OutputFile {
 public:
  CountedFile(FailingFileSystem& owner, std::unique_ptr<OutputFile> inner, std::string path)
      : owner_(owner), inner_(std::move(inner)), path_(std::move(path)) {}
  void write(const void* data, size_t n) override {
    if (path_.rfind(owner_.diskFullBelow, 0) != 0) {
      inner_->write(data, n);
      return;
    }
    owner_.take(n, path_);
    try {
      inner_->write(data, n);
    } catch (...) {
      owner_.written_ -= n;  // not written after all
      throw;
    }
  }
  void close() override { inner_->close(); }

 private:
  FailingFileSystem& owner_;
  std::unique_ptr<OutputFile> inner_;
  std::string path_;
};

void FailingFileSystem::take(uint64_t n, const std::string& path) {
  uint64_t taken = written_.load();
  do {
    if (diskFullAfter && taken + n > *diskFullAfter) {
      // The Windows text of ERROR_DISK_FULL, in the form the platform's files report it.
      throw FileError("Cannot write file \"" + path + "\". There is not enough space on the disk");
    }
  } while (!written_.compare_exchange_weak(taken, taken + n));
}

std::unique_ptr<OutputFile> FailingFileSystem::createFile(std::string_view path) {
  hook("createFile", path);
  return std::make_unique<CountedFile>(*this, inner_.createFile(path), std::string(path));
}

}  // namespace tarvio::test
