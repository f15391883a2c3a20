// An output file that gathers small writes in a buffer before they reach the system. Each file
// system supplies the unbuffered part (writing everything it is given, closing), and both share the
// buffering and the order of clean-up: a failed write empties the buffer; close() writes what is
// left, then closes, reporting the first failure; destruction without close() reports nothing.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/filesystem.h"

namespace tarvio {

// The unbuffered file under a BufferedOutputFile.
class RawOutputFile {
 public:
  virtual ~RawOutputFile() = default;  // closes without reporting, if close() has not run
  // Writes all n bytes or throws FileError.
  virtual void writeAll(const char* data, size_t n) = 0;
  // Closes the file; throws FileError when the system reports a failure.
  virtual void close() = 0;
};

class BufferedOutputFile final : public OutputFile {
 public:
  BufferedOutputFile(std::unique_ptr<RawOutputFile> raw, std::string path);
  ~BufferedOutputFile() override;

  void write(const void* data, size_t n) override;
  void close() override;

 private:
  static constexpr size_t kBuffer = 256 * 1024;
  void flush();

  std::unique_ptr<RawOutputFile> raw_;  // null once closed
  std::string path_;
  std::vector<char> buffer_;
};

}  // namespace tarvio
