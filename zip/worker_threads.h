// The engine's worker threads, started through a replaceable function and always joined. A thread
// that the system cannot start (std::thread throws std::system_error when it runs out of threads
// or memory) is never fatal here: the work goes on with the threads that did start, and the owner
// decides whether none at all is an error.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace tarvio::zip {

// Starts a thread running `body`; throws when the thread cannot be started. Tests pass one that
// fails on purpose.
using ThreadStarter = std::function<std::thread(std::function<void()> body)>;

// std::thread itself.
ThreadStarter systemThreadStarter();

class WorkerThreads {
 public:
  // `stop` tells running workers to return early; it is called before they are joined when the
  // owner is destroyed without join() (an error passing through).
  WorkerThreads(ThreadStarter starter, std::function<void()> stop);
  ~WorkerThreads();
  WorkerThreads(const WorkerThreads&) = delete;
  WorkerThreads& operator=(const WorkerThreads&) = delete;

  // Starts up to `count` threads running `body` and returns how many started; the first failure
  // ends the starting and its text is kept in startFailure().
  unsigned start(unsigned count, const std::function<void()>& body);
  const std::string& startFailure() const { return startFailure_; }
  // Waits for every started thread to end.
  void join();

 private:
  ThreadStarter starter_;
  std::function<void()> stop_;
  std::vector<std::thread> threads_;
  std::string startFailure_;
};

// Runs work(0) ... work(count - 1) on this thread and on up to threads - 1 helpers, each index once,
// in any order. After a failure no new index is taken; the failure of the lowest index is rethrown
// once every thread has stopped: since all lower indexes were taken earlier, it is the first
// failure in index order, whatever the timing. While this thread waits for the helpers it calls
// whileWaiting() every few milliseconds (progress reports from this thread).
void runInParallel(size_t count, unsigned threads, const ThreadStarter& starter,
                   const std::function<void(size_t)>& work, const std::function<void()>& whileWaiting = {});

}  // namespace tarvio::zip
