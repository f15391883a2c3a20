// The buffering shared by both file systems: what reaches the system, and when failures are told.
#include "platform/buffered_output_file.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvio {
namespace {

// Records what it is given; fails its n-th write or its close on request.
struct Recorder {
  std::string written;
  int writes = 0;
  int failWrite = 0;  // 1-based number of the write that fails; 0: none
  bool failClose = false;
  bool closed = false;
  bool destroyedOpen = false;
};

class FakeRaw : public RawOutputFile {
 public:
  explicit FakeRaw(Recorder& r) : r_(r) {}
  ~FakeRaw() override { r_.destroyedOpen = !r_.closed; }
  void writeAll(const char* data, size_t n) override {
    if (++r_.writes == r_.failWrite) throw FileError("Cannot write file \"f\". There is not enough space on the disk");
    r_.written.append(data, n);
  }
  void close() override {
    r_.closed = true;
    if (r_.failClose) throw FileError("Cannot write file \"f\". close failed");
  }

 private:
  Recorder& r_;
};

std::unique_ptr<BufferedOutputFile> open(Recorder& r) {
  return std::make_unique<BufferedOutputFile>(std::make_unique<FakeRaw>(r), "f");
}

TEST(BufferedOutputFile, SmallWritesReachTheSystemInOrderByClose) {
  Recorder r;
  auto file = open(r);
  file->write("ab", 2);
  file->write("cd", 2);
  EXPECT_EQ(r.written, "");  // still buffered
  file->close();
  EXPECT_EQ(r.written, "abcd");
  EXPECT_TRUE(r.closed);
  EXPECT_THROW(file->write("x", 1), FileError);  // closed files take no more
}

TEST(BufferedOutputFile, LargeWritesPassThroughAfterWhatIsBuffered) {
  Recorder r;
  auto file = open(r);
  std::string big(300 * 1024, 'z');
  file->write("a", 1);
  file->write(big.data(), big.size());
  file->close();
  EXPECT_EQ(r.written, "a" + big);
}

TEST(BufferedOutputFile, FailuresAreToldOnceAndTheFileIsClosedAnyway) {
  {
    Recorder r;
    r.failWrite = 1;
    auto file = open(r);
    file->write("abc", 3);
    EXPECT_THROW(file->close(), FileError);  // the flush of the buffer fails
    EXPECT_TRUE(r.destroyedOpen);             // closed without a second report
    EXPECT_NO_THROW(file->close());
  }
  {
    Recorder r;
    r.failClose = true;
    auto file = open(r);
    file->write("abc", 3);
    EXPECT_THROW(file->close(), FileError);
    EXPECT_EQ(r.written, "abc");
  }
  {
    Recorder r;
    r.failWrite = 1;
    auto file = open(r);
    file->write("abc", 3);
    EXPECT_NO_THROW(file.reset());  // destruction without close() reports nothing
    EXPECT_TRUE(r.destroyedOpen);
  }
}

}  // namespace
}  // namespace tarvio
