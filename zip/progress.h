// Progress of a long engine operation (writing an archive, reading it back, extracting it): bytes
// done of bytes to do, reported on the thread that called the engine, never on a worker.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

namespace tarvio::zip {

// Called with done rising from 0 to total (never falling), about once per MiB, and a last time
// with done == total when the operation succeeds. An exception it throws ends the operation.
using Progress = std::function<void(uint64_t done, uint64_t total)>;

// Counts the bytes done on any thread and reports them on the thread that made it.
class ProgressMeter {
 public:
  // Reports (0, total) at once when progress is set.
  ProgressMeter(const Progress& progress, uint64_t total);
  ProgressMeter(const ProgressMeter&) = delete;
  ProgressMeter& operator=(const ProgressMeter&) = delete;

  // Any thread.
  void add(uint64_t bytes) { done_.fetch_add(bytes, std::memory_order_relaxed); }
  // Reports when a step of bytes has been done since the last report; does nothing on other
  // threads than the one that made the meter, so workers may call it too.
  void report();
  // Reports done == total, once. Call when the operation has succeeded.
  void finish();

  static constexpr uint64_t step = 1u << 20;

 private:
  void call(uint64_t done);
  const Progress& progress_;
  uint64_t total_;
  std::thread::id caller_ = std::this_thread::get_id();
  std::atomic<uint64_t> done_{0};
  uint64_t reported_ = 0;
  bool finished_ = false;
};

}  // namespace tarvio::zip
