// The failure-injecting file system.
#include "tests/support/failing_file_system.h"

namespace tarvio::test {

// A file whose writes count against the disk's room.
class FailingFileSystem::CountedFile : public OutputFile {
 public:
  CountedFile(FailingFileSystem& owner, std::unique_ptr<OutputFile> inner, std::string path)
      : owner_(owner), inner_(std::move(inner)), path_(std::move(path)) {}
  void write(const void* data, size_t n) override {
    bool counted = path_.rfind(owner_.diskFullBelow, 0) == 0;
    if (counted && owner_.diskFullAfter && owner_.written_ + n > *owner_.diskFullAfter) {
      throw FileError("Cannot write file \"" + path_ + "\". There is not enough space on the disk");
    }
    inner_->write(data, n);
    if (counted) owner_.written_ += n;
  }
  void close() override { inner_->close(); }

 private:
  FailingFileSystem& owner_;
  std::unique_ptr<OutputFile> inner_;
  std::string path_;
};

std::unique_ptr<OutputFile> FailingFileSystem::createFile(std::string_view path) {
  hook("createFile", path);
  return std::make_unique<CountedFile>(*this, inner_.createFile(path), std::string(path));
}

}  // namespace tarvio::test
