// Starting and joining the engine's worker threads.
#include "zip/worker_threads.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
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

void runInParallel(size_t count, unsigned threads, const ThreadStarter& starter,
                   const std::function<void(size_t)>& work, const std::function<void()>& whileWaiting) {
  std::atomic<size_t> next{0};
  std::atomic<bool> failed{false};
  std::mutex mutex;
  std::condition_variable helperEnded;
  std::exception_ptr firstError;
  size_t firstErrorIndex = count;
  auto loop = [&] {
    while (!failed.load()) {
      size_t i = next.fetch_add(1);
      if (i >= count) return;
      try {
        work(i);
      } catch (...) {
        std::lock_guard lock(mutex);
        if (i < firstErrorIndex) {
          firstErrorIndex = i;
          firstError = std::current_exception();
        }
        failed = true;
      }
    }
  };
  threads = static_cast<unsigned>(std::clamp<size_t>(threads, 1, std::max<size_t>(count, 1)));
  unsigned running = threads - 1;
  WorkerThreads helpers(starter, [&] { failed = true; });
  unsigned started = helpers.start(threads - 1, [&] {
    loop();
    std::lock_guard lock(mutex);
    --running;
    helperEnded.notify_all();
  });
  {
    std::lock_guard lock(mutex);
    running -= threads - 1 - started;  // this thread does the work of those that did not start
  }
  loop();
  while (true) {
    std::unique_lock lock(mutex);
    if (helperEnded.wait_for(lock, std::chrono::milliseconds(20), [&] { return running == 0; })) break;
    lock.unlock();
    if (whileWaiting) whileWaiting();
  }
  helpers.join();
  if (firstError) std::rethrow_exception(firstError);
}

}  // namespace tarvio::zip
