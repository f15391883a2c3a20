// Reporting progress on the calling thread.
#include "zip/progress.h"

#include <algorithm>

namespace tarvio::zip {

ProgressMeter::ProgressMeter(const Progress& progress, uint64_t total) : progress_(progress), total_(total) {
  if (progress_) progress_(0, total_);
}

void ProgressMeter::report() {
  if (!progress_ || finished_ || std::this_thread::get_id() != caller_) return;
  uint64_t done = std::min(done_.load(std::memory_order_relaxed), total_);
  if (done - reported_ >= step) call(done);
}

void ProgressMeter::finish() {
  if (!progress_ || finished_) return;
  if (reported_ != total_) call(total_);  // (0, 0) went out already for an empty operation
  finished_ = true;
}

void ProgressMeter::call(uint64_t done) {
  reported_ = done;
  progress_(done, total_);
}

}  // namespace tarvio::zip
