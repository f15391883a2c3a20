// The local clock and sleep on POSIX.
#include <time.h>

#include <chrono>
#include <thread>

#include "platform/native.h"

namespace tarvio {

namespace {

class PosixClock : public Clock {
 public:
  LocalTime now() override {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    return LocalTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                     local.tm_min,         local.tm_sec,     static_cast<int>(ts.tv_nsec / 1000000)};
  }
  void sleep(unsigned milliseconds) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
};

}  // namespace

std::unique_ptr<Clock> makeNativeClock() { return std::make_unique<PosixClock>(); }

}  // namespace tarvio
