// A scripted desktop and clock for unit tests: answers come from queues, calls are recorded.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/event_log.h"

namespace tarvio::test {

class FakeDesktop : public Desktop {
 public:
  // Everything the program showed or asked, in order, as "kind: text" lines
  // ("message: ...", "error: ...", "yesno: caption | text", "file: title", "explorer: params").
  std::vector<std::string> calls;
  std::deque<bool> yesNoAnswers;                       // empty: No
  std::deque<std::optional<std::string>> fileAnswers;  // empty: cancel
  std::function<void()> onProcessMessages;             // runs at each pump, if set
  std::function<void()> onMessage;                     // runs after each message box, if set
  bool isTerminated = false;
  int pumps = 0;

  void showMessage(std::string_view text) override;
  void showError(std::string_view text) override;
  bool askYesNo(std::string_view caption, std::string_view text) override;
  std::optional<std::string> chooseFile(const FileDialogSettings& settings) override;
  void processMessages() override;
  bool terminated() override { return isTerminated; }
  void startExplorer(std::string_view parameters) override;
};

class FakeClock : public Clock {
 public:
  LocalTime current{2024, 3, 5, 9, 7, 3, 0};
  std::vector<unsigned> sleeps;
  std::function<void(unsigned)> onSleep;  // runs at each sleep, if set
  LocalTime now() override { return current; }
  void sleep(unsigned ms) override {
    sleeps.push_back(ms);
    if (onSleep) onSleep(ms);
  }
};

// An event log that keeps every event, as "severity id: text" lines (severity "information",
// "warning" or "error").
class RecordingEventLog : public EventLog {
 public:
  std::vector<std::string> events;
  void report(EventSeverity severity, uint32_t eventId, std::string_view text) noexcept override {
    const char* name = severity == EventSeverity::information ? "information"
                       : severity == EventSeverity::warning   ? "warning"
                                                              : "error";
    events.push_back(std::string(name) + " " + std::to_string(eventId) + ": " + std::string(text));
  }
};

}  // namespace tarvio::test
