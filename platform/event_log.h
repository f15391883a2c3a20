// The system's log of events, the one that the monitoring tools of administrators watch: on Windows
// the Application event log, where the program writes under a source of its own.
#pragma once

#include <cstdint>
#include <string_view>

namespace tarvio {

enum class EventSeverity { information, warning, error };

class EventLog {
 public:
  virtual ~EventLog() = default;
  // Writes one event: its severity, the program's number for it and its text (UTF-8). Never
  // throws; an event that the system does not take is lost, and the run that wrote it goes on.
  virtual void report(EventSeverity severity, uint32_t eventId, std::string_view text) noexcept = 0;
};

}  // namespace tarvio
