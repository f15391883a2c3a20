// The run lock on POSIX: flock on a file at the root of the folder that stands for drive C:\.
// flock belongs to the open file, which the system closes when the process ends, however it ends.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <stdexcept>

#include "platform/native.h"
#include "platform/posix/posix_errors.h"

namespace tarvio {

namespace {

class PosixHeldRunLock : public HeldRunLock {
 public:
  explicit PosixHeldRunLock(int fd) : fd_(fd) {}
  ~PosixHeldRunLock() override { ::close(fd_); }  // closing the file releases the lock

 private:
  int fd_;
};

class PosixRunLocks : public RunLocks {
 public:
  explicit PosixRunLocks(std::string driveC) : path_(std::move(driveC) + "/.tarvio-backup.lock") {}

  std::unique_ptr<HeldRunLock> tryAcquire() override {
    // Close-on-exec: the scripts and the programs they leave running must not keep the lock.
    int fd = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) throw std::runtime_error("Cannot open the lock file \"" + path_ + "\". " + windowsErrorText(errno));
    int result;
    do {
      result = flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
      int err = errno;
      ::close(fd);
      if (err == EWOULDBLOCK) return nullptr;
      throw std::runtime_error("Cannot lock the file \"" + path_ + "\". " + windowsErrorText(err));
    }
    return std::make_unique<PosixHeldRunLock>(fd);
  }

 private:
  std::string path_;
};

}  // namespace

std::unique_ptr<RunLocks> makeNativeRunLocks(const std::string& driveC) {
  return std::make_unique<PosixRunLocks>(driveC);
}

}  // namespace tarvio
