// The local clock and the pause of the script runner; tests install their own.
#pragma once

#include "platform/filesystem.h"

namespace tarvio {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime now() = 0;                // local date and time
  virtual void sleep(unsigned milliseconds) = 0;
};

}  // namespace tarvio
