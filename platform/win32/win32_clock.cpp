// The local clock and sleep on Windows.
#include <windows.h>

#include "platform/native.h"

namespace tarvio {

namespace {

class Win32Clock : public Clock {
 public:
  LocalTime now() override {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return LocalTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
  }
  void sleep(unsigned milliseconds) override { Sleep(milliseconds); }
};

}  // namespace

std::unique_ptr<Clock> makeNativeClock() { return std::make_unique<Win32Clock>(); }

}  // namespace tarvio
