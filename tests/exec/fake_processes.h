// A scripted process launcher for tests of the script runner: each started process answers its
// exit-code reads from a list, and every start, read and release is written to a shared event log.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/process.h"

namespace tarvio::test {

struct ProcessScript {
  std::string name = "cmd";
  // Answers of successive exitCode() calls; the last one repeats. Empty: always stillActive.
  std::deque<std::optional<uint32_t>> exitCodes;
};

class FakeProcesses : public ProcessLauncher {
 public:
  explicit FakeProcesses(std::vector<std::string>& events) : events_(events) {}

  std::deque<ProcessScript> toStart;  // one per start; none left: the start fails (nullptr)
  std::vector<std::string> starts;  // the parameters of each start
  std::function<void()> onStart;  // runs at each start, before the process is returned

  std::unique_ptr<RunningProcess> startInterpreter(std::string_view parameters) override;

 private:
  std::vector<std::string>& events_;
};

}  // namespace tarvio::test
