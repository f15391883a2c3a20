// The drive that fills up.
#include "tests/zip/full_disk.h"

#include <string>

namespace tarvio::test {

class FullDisk::File : public OutputFile {
 public:
  File(FullDisk& disk, std::unique_ptr<OutputFile> real, std::string path)
      : disk_(disk), real_(std::move(real)), path_(std::move(path)) {}
  void write(const void* data, size_t n) override {
    uint64_t left = disk_.free_.load();
    do {
      if (n > left) {
        // The Windows text of ERROR_DISK_FULL, in the form the platform's files report it.
        throw FileError("Cannot write file \"" + path_ + "\". There is not enough space on the disk");
      }
    } while (!disk_.free_.compare_exchange_weak(left, left - n));
    disk_.written_ += n;
    real_->write(data, n);
  }
  void close() override { real_->close(); }

 private:
  FullDisk& disk_;
  std::unique_ptr<OutputFile> real_;
  std::string path_;
};

FullDisk::FullDisk(uint64_t freeBytes) : real_(fs()), previous_(platform()), free_(freeBytes) {
  Platform p = previous_;
  p.fs = this;
  installPlatform(p);
}

FullDisk::~FullDisk() { installPlatform(previous_); }

std::unique_ptr<OutputFile> FullDisk::createFile(std::string_view path) {
  return std::make_unique<File>(*this, real_.createFile(path), std::string(path));
}

}  // namespace tarvio::test
