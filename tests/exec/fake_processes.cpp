// The scripted process launcher.
#include "tests/exec/fake_processes.h"

namespace tarvio::test {

namespace {

class FakeProcess : public RunningProcess {
 public:
  FakeProcess(ProcessScript script, std::vector<std::string>& events)
      : script_(std::move(script)), events_(events) {}
  ~FakeProcess() override { events_.push_back("release " + script_.name); }

  std::optional<uint32_t> exitCode() override {
    std::optional<uint32_t> code = stillActive;
    if (!script_.exitCodes.empty()) {
      code = script_.exitCodes.front();
      if (script_.exitCodes.size() > 1) script_.exitCodes.pop_front();
    }
    events_.push_back("exit code " + script_.name + " " + (code ? std::to_string(*code) : "none"));
    return code;
  }

 private:
  ProcessScript script_;
  std::vector<std::string>& events_;
};

}  // namespace

std::unique_ptr<RunningProcess> FakeProcesses::startInterpreter(std::string_view parameters) {
  starts.emplace_back(parameters);
  if (toStart.empty()) {
    events_.push_back("start failed");
    return nullptr;
  }
  ProcessScript script = std::move(toStart.front());
  toStart.pop_front();
  events_.push_back("start " + script.name);
  if (onStart) onStart();
  return std::make_unique<FakeProcess>(std::move(script), events_);
}

}  // namespace tarvio::test
