// Starting the command interpreter hidden on a script and reading its exit code.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvio {

constexpr uint32_t stillActive = 259;  // STILL_ACTIVE: the exit code of a process that still runs

// A started process. Destroying it releases the handle; it never stops the process.
class RunningProcess {
 public:
  virtual ~RunningProcess() = default;
  // The exit code, stillActive while it runs; nullopt when it cannot be read at all.
  virtual std::optional<uint32_t> exitCode() = 0;
};

// Variables (name, value) that a launcher gives every interpreter it starts.
using EnvironmentSettings = std::vector<std::pair<std::string, std::string>>;

class ProcessLauncher {
 public:
  virtual ~ProcessLauncher() = default;
  // Starts the system's command interpreter with `parameters` in a hidden window (its output is
  // seen by nobody) and hands back the process; nullptr when the start fails. Only programs of
  // the system and of this program run:
  // - the interpreter is named by its full path (cmd.exe of the Windows system folder; on POSIX
  //   the stand-in the launcher was made with), never looked for along the search path;
  // - it starts in the folder of the running program, whatever the current folder is, so that a
  //   program a script names by its bare name is never taken from a folder the user happened to
  //   open in a file dialog;
  // - its environment is this program's own without PostgreSQL's client settings (every variable
  //   whose name begins with "PG", letter case ignored on Windows): the scripts set what they
  //   need, and the machine's PGHOST, PGUSER, PGSSLMODE... never decide where a dump comes from.
  //   The launcher's own settings are then added.
  virtual std::unique_ptr<RunningProcess> startInterpreter(std::string_view parameters) = 0;
};

}  // namespace tarvio
