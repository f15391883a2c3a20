// Waits until a condition holds, looking every 10 ms. The limit only keeps a broken program from
// hanging a test; it is never a check of how long something takes.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace tarvio::test {

inline bool waitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::seconds(30)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

}  // namespace tarvio::test
