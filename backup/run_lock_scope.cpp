// The run lock's scope.
#include "backup/run_lock_scope.h"

#include "platform/platform.h"

namespace tarvio {

namespace {
int depth = 0;  // the runs of this process that hold the lock now: the outer one and those inside it
}

RunLockScope::RunLockScope() {
  if (depth == 0) {
    held_ = runLocks().tryAcquire();
    if (!held_) throw AnotherRunInProgress();
  }
  ++depth;
}

RunLockScope::~RunLockScope() { --depth; }

}  // namespace tarvio
