// The buffered output file shared by both file systems.
#include "platform/buffered_output_file.h"

namespace tarvio {

BufferedOutputFile::BufferedOutputFile(std::unique_ptr<RawOutputFile> raw, std::string path)
    : raw_(std::move(raw)), path_(std::move(path)) {
  buffer_.reserve(kBuffer);
}

BufferedOutputFile::~BufferedOutputFile() {
  if (!raw_) return;
  try {
    flush();
  } catch (...) {
    // Destruction without close(): failures go unreported by design.
  }
}

void BufferedOutputFile::write(const void* data, size_t n) {
  if (!raw_) throw FileError("Cannot write file \"" + path_ + "\". The file is closed");
  const char* p = static_cast<const char*>(data);
  if (buffer_.size() + n > kBuffer) flush();
  if (n >= kBuffer) {
    raw_->writeAll(p, n);
  } else {
    buffer_.insert(buffer_.end(), p, p + n);
  }
}

void BufferedOutputFile::close() {
  if (!raw_) return;
  try {
    flush();
  } catch (...) {
    raw_.reset();  // closed without reporting: the write's failure is the one that counts
    throw;
  }
  std::unique_ptr<RawOutputFile> raw = std::move(raw_);
  raw->close();
}

void BufferedOutputFile::flush() {
  if (buffer_.empty()) return;
  try {
    raw_->writeAll(buffer_.data(), buffer_.size());
  } catch (...) {
    buffer_.clear();
    throw;
  }
  buffer_.clear();
}

}  // namespace tarvio
