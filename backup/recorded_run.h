// A backup, restore, drill or copy as the history sees it: the run holds the run lock from its first
// step, and when it ends, however it ends, its line is added to the history and its outcome written to
// the event log while the lock is still held, so that the lines of runs follow each other in the order
// of the runs. A run refused because another one holds the lock is recorded too (as "recusada").
#pragma once

#include <chrono>
#include <exception>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

#include "backup/run_lock_scope.h"
#include "history/run_history.h"

namespace tarvio {

class RunRecord {
 public:
  explicit RunRecord(history::RunKind kind);
  RunRecord(const RunRecord&) = delete;
  RunRecord& operator=(const RunRecord&) = delete;

  // The archive the run wrote or read; its size is read when the run ends.
  void setArchive(std::string path) { entry_.archive = std::move(path); }
  // The run ends without an error but without doing its work (no dump reached the threshold).
  void setFailure(std::string error);
  // The run never began (the user cancelled before anything happened): nothing is recorded.
  void discard() { written_ = true; }
  // The run's work is over: what follows (a dialog waiting for its OK) is not part of its duration.
  void stopClock();

  // Records the run: with the error that ended it (a silent abort: cancelled; another run holding
  // the lock: refused), or with the outcome set so far. Only the first call records. A history that
  // cannot be written is told in the status log; the run's own outcome stays what it was.
  void write(std::exception_ptr error = nullptr) noexcept;

 private:
  history::Entry entry_;
  std::chrono::steady_clock::time_point start_;
  std::optional<std::chrono::steady_clock::time_point> end_;
  bool written_ = false;
};

// Runs body(RunRecord&) under the run lock and records it as a run of `kind`; returns what the body
// returns and lets every error through after recording it.
template <class Body>
auto recordedRun(history::RunKind kind, Body&& body) -> decltype(body(std::declval<RunRecord&>())) {
  RunRecord record(kind);
  std::optional<RunLockScope> lock;
  try {
    lock.emplace();
  } catch (...) {
    record.write(std::current_exception());
    throw;
  }
  // The lock outlives this block: the line is written while it is held.
  try {
    if constexpr (std::is_void_v<decltype(body(record))>) {
      body(record);
      record.write();
    } else {
      auto result = body(record);
      record.write();
      return result;
    }
  } catch (...) {
    record.write(std::current_exception());
    throw;
  }
}

}  // namespace tarvio
