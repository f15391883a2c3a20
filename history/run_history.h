// The run history: every backup, safety backup, restore, drill and copy, started from the window or
// the console, adds one line to the history file in the backup folder when it ends, and writes its
// outcome to the system's event log. A line is added whole, in one write, so that a run killed at
// any moment leaves the file with whole lines only, and runs ending at the same time never mix theirs.
//
// The file is UTF-8 text, one line per run ended by CR LF, eight fields separated by tabs:
//   1 start, local time "YYYY-MM-DD hh:mm:ss"
//   2 kind: "backup", "backup de segurança", "restauração", "verificação", "cópia"
//   3 how it was started: "janela" (a button of the window), "argumento backup" (the window
//     started with the argument "backup"), "console" (the console's menu), "linha de comando" (the
//     console program started with a command, as a scheduler starts it)
//   4 outcome: "sucesso", "falha", "cancelada" (the user stopped it), "recusada" (another run held
//     the server)
//   5 the archive: the one written (backup, copy) or read (restore, drill); empty when none
//   6 its size in bytes; empty when it is unknown or gone
//   7 the duration in seconds, with one decimal and a point
//   8 the error that ended the run; empty on success
// Text fields hold no tab or line break: "%", the tab, CR, LF and every other control character are
// written as "%" and two hexadecimal digits ("%09", "%0D%0A", "%25").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/event_log.h"
#include "platform/filesystem.h"

namespace tarvio::history {

enum class RunKind { backup, safetyBackup, restore, drill, copy };
enum class RunOrigin { window, windowArgument, consoleMenu, commandLine };
enum class Outcome { success, failure, cancelled, refused };

struct Entry {
  LocalTime started;
  RunKind kind = RunKind::backup;
  RunOrigin origin = RunOrigin::window;
  Outcome outcome = Outcome::success;
  std::string archive;
  std::optional<int64_t> archiveBytes;
  double seconds = 0;
  std::string error;
  bool operator==(const Entry&) const = default;
};

std::string_view kindText(RunKind kind);
std::string_view originText(RunOrigin origin);
std::string_view outcomeText(Outcome outcome);

// The line of an entry, without its line end.
std::string formatLine(const Entry& entry);
// The entry of a line (with or without its line end); nullopt for a line that is not one.
std::optional<Entry> parseLine(std::string_view line);

// Adds the entry's line to the history file, creating the backup folder (that one level) and the
// file when they are missing. Throws FileError when the line cannot be written.
void append(const Entry& entry);

// The last `count` runs of the history file, oldest first, and how many lines among those read
// could not be understood. No file: no runs.
struct Recent {
  std::vector<Entry> entries;
  size_t unreadableLines = 0;
};
Recent readRecent(size_t count);

// The program's event numbers in the system's event log, one for each outcome that monitoring
// tells apart.
namespace event {
inline constexpr uint32_t success = 100;       // a run ended with success
inline constexpr uint32_t failure = 101;       // a backup or restore failed, or could not start
inline constexpr uint32_t copyFailed = 102;    // the second copy of a backup failed
inline constexpr uint32_t drillFailed = 103;   // the restore drill failed
inline constexpr uint32_t cancelled = 104;     // the user stopped a run
}  // namespace event

// The event number, severity and text that a run's entry is written to the event log with.
uint32_t eventIdOf(const Entry& entry);
EventSeverity severityOf(const Entry& entry);
std::string eventText(const Entry& entry);

// How the runs of this program are started; the program sets it at start-up, and the window while
// it runs the start-up argument.
void setRunOrigin(RunOrigin origin);
RunOrigin runOrigin();

// Sets the origin for the life of the object and puts the one before it back.
class OriginScope {
 public:
  explicit OriginScope(RunOrigin origin) : previous_(runOrigin()) { setRunOrigin(origin); }
  ~OriginScope() { setRunOrigin(previous_); }
  OriginScope(const OriginScope&) = delete;
  OriginScope& operator=(const OriginScope&) = delete;

 private:
  RunOrigin previous_;
};

}  // namespace tarvio::history
