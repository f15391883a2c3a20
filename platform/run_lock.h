// The machine-wide lock that lets one backup or restore run at a time, whichever program, window or
// console, user or session starts it. The system releases it when its holder ends, however it ends
// (a killed process included), so a lock is never left behind.
#pragma once

#include <memory>

namespace tarvio {

// Held while the object lives.
class HeldRunLock {
 public:
  virtual ~HeldRunLock() = default;
};

class RunLocks {
 public:
  virtual ~RunLocks() = default;
  // Takes the lock; nullptr when another process holds it. Throws std::runtime_error when the
  // lock itself cannot be made (the run must then not start either).
  virtual std::unique_ptr<HeldRunLock> tryAcquire() = 0;
};

}  // namespace tarvio
