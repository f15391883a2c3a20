// One backup or restore at a time on this server: a run holds the machine-wide run lock from its
// first step to its end. A run inside a run of the same program (the restore's safety backup)
// runs under the outer run's lock.
#pragma once

#include <memory>
#include <stdexcept>

#include "platform/run_lock.h"

namespace tarvio {

// What the user is told when another backup or restore holds the lock.
inline constexpr const char* anotherRunInProgress =
    "Já existe um backup ou uma restauração em andamento neste servidor. Aguarde o término e tente "
    "novamente.";

// The error raised when another run holds the lock; nothing has been touched then.
class AnotherRunInProgress : public std::runtime_error {
 public:
  AnotherRunInProgress() : std::runtime_error(anotherRunInProgress) {}
};

class RunLockScope {
 public:
  // Takes the lock, or joins the run that already holds it in this process. Throws
  // AnotherRunInProgress when another process holds it.
  RunLockScope();
  ~RunLockScope();
  RunLockScope(const RunLockScope&) = delete;
  RunLockScope& operator=(const RunLockScope&) = delete;

 private:
  std::unique_ptr<HeldRunLock> held_;  // null in a nested scope
};

}  // namespace tarvio
