// The script runner: writes a command text to the script file, runs it hidden through the command
// interpreter, waits for its end while the window keeps handling messages, then deletes the script
// file and the database password file. It gives back the interpreter's exit code, which is that of
// the script's last command; callers also look at the effects.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/process.h"

namespace tarvio {

// The interpreter's exit code; nullopt when it could not be started, its code could not be read, or
// the runner gave up waiting for it while the application was shutting down.
using ScriptExit = std::optional<uint32_t>;

// Runs one command text (lines joined by CR LF) through the process-wide runner, polling the
// interpreter every pollMilliseconds. Throws FileError("Cannot create file "%s". %s") when the
// script file cannot be written; then nothing is started and nothing deleted.
ScriptExit runScript(const std::string& commandText, unsigned pollMilliseconds);

// The runner with its one piece of state: whether it has given up on an interpreter that did not end
// while the application was shutting down. Tests make their own; the program uses the one behind
// runScript().
class ScriptRunner {
 public:
  // How long, once the application is shutting down, a run waits for an interpreter to end
  // before it gives up and refuses every later script.
  static constexpr unsigned defaultShutdownWaitMilliseconds = 30 * 60 * 1000;

  explicit ScriptRunner(unsigned shutdownWaitMilliseconds = defaultShutdownWaitMilliseconds)
      : shutdownWaitMilliseconds_(shutdownWaitMilliseconds) {}

  ScriptExit run(const std::string& commandText, unsigned pollMilliseconds);

  // True once the runner has given up waiting for an interpreter during shutdown; from then on
  // run() returns at once without touching any file.
  bool refusesScripts() const { return refusing_; }

 private:
  // Polls (sleeping, without handling window messages) until the process has ended, its exit code
  // can no longer be read, or the shutdown wait has passed. False in the last case; `exit` holds
  // the code read last.
  bool awaitEnd(RunningProcess& process, unsigned pollMilliseconds, ScriptExit& exit);

  unsigned shutdownWaitMilliseconds_;
  bool refusing_ = false;
};

}  // namespace tarvio
