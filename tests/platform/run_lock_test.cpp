// The machine-wide run lock: one holder at a time, released when the holder goes away, also when
// it ends without releasing it. The same tests run natively (flock) and under Wine (named mutex).
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/native.h"
#include "tests/platform/temp_drive.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tarvio {
namespace {

// A holder on a thread of its own (a mutex is owned by a thread, a flock by an open file): it takes
// the lock and keeps it until told to let go.
class OtherHolder {
 public:
  explicit OtherHolder(RunLocks& locks) {
    thread_ = std::thread([&] {
      std::unique_lock<std::mutex> guard(m_);
      held_ = locks.tryAcquire();
      took_ = held_ != nullptr;
      ready_ = true;
      changed_.notify_all();
      changed_.wait(guard, [&] { return release_; });
      held_.reset();
    });
    std::unique_lock<std::mutex> guard(m_);
    changed_.wait(guard, [&] { return ready_; });
  }
  ~OtherHolder() { release(); }
  bool took() const { return took_; }
  void release() {
    {
      std::lock_guard<std::mutex> guard(m_);
      release_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::mutex m_;
  std::condition_variable changed_;
  bool ready_ = false, release_ = false, took_ = false;
  std::unique_ptr<HeldRunLock> held_;
  std::thread thread_;
};

TEST(RunLock, OneHolderAtATime) {
  test::TempDrive drive;
  auto locks = makeNativeRunLocks(drive.host("").string());
  {
    OtherHolder other(*locks);
    ASSERT_TRUE(other.took());
    EXPECT_EQ(locks->tryAcquire(), nullptr);
    other.release();
    auto mine = locks->tryAcquire();
    EXPECT_NE(mine, nullptr);
  }
  EXPECT_NE(locks->tryAcquire(), nullptr);  // released with the object
}

#ifdef _WIN32
TEST(RunLock, AHolderThatEndsWithoutReleasingLeavesNoLockBehind) {
  auto locks = makeNativeRunLocks("");
  // The thread ends while it owns the mutex: the system abandons it.
  std::thread([&] { locks->tryAcquire().release(); }).join();
  EXPECT_NE(locks->tryAcquire(), nullptr);
}
#else
TEST(RunLock, AKilledHolderLeavesNoLockBehind) {
  test::TempDrive drive;
  auto locks = makeNativeRunLocks(drive.host("").string());
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto held = locks->tryAcquire();
    char ok = held ? '1' : '0';
    (void)!write(ready[1], &ok, 1);
    pause();
    _exit(0);
  }
  char ok = 0;
  ASSERT_EQ(read(ready[0], &ok, 1), 1);
  ASSERT_EQ(ok, '1');
  EXPECT_EQ(locks->tryAcquire(), nullptr);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_NE(locks->tryAcquire(), nullptr);
  close(ready[0]);
  close(ready[1]);
}
#endif

}  // namespace
}  // namespace tarvio
