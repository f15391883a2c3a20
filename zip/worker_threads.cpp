// Starting and joining the engine's worker threads.
#include "zip/worker_threads.h"

#include <exception>
#include <string>

namespace tarvio::zip {

ThreadStarter systemThreadStarter() {
  return [](std::function<void()> body) { return std::thread(std::move(body)); };
}

WorkerThreads::WorkerThreads(ThreadStarter starter, std::function<void()> stop)
    : starter_(starter ? std::move(starter) : systemThreadStarter()), stop_(std::move(stop)) {}

WorkerThreads::~WorkerThreads() {
  if (threads_.empty()) return;
  if (stop_) stop_();
  join();
}

unsigned WorkerThreads::start(unsigned count, const std::function<void()>& body) {
  // Room first, so that keeping a started thread cannot fail and leave it unjoined.
  threads_.reserve(threads_.size() + count);
  unsigned started = 0;
  for (; started < count; ++started) {
    try {
      threads_.push_back(starter_(body));
    } catch (const std::exception& e) {
      startFailure_ = e.what();
      break;
    }
  }
  return started;
}

void WorkerThreads::join() {
  for (std::thread& t : threads_) {
    if (t.joinable()) t.join();
  }
  threads_.clear();
}

}  // namespace tarvio::zip
