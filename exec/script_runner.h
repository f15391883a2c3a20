// The script runner: writes a command text to the script file, runs it hidden through the command
// interpreter, waits for its end while the window keeps handling messages, then deletes the script
// file and the database password file. It reports nothing back; callers look at the effects.
#pragma once

#include <memory>
#include <string>

#include "platform/process.h"

namespace tarvio {

// Runs one command text (lines joined by CR LF) through the process-wide runner, polling the
// interpreter every pollMilliseconds. Throws FileError("Cannot create file "%s". %s") when the
// script file cannot be written; then nothing is started and nothing deleted.
void runScript(const std::string& commandText, unsigned pollMilliseconds);

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

  void run(const std::string& commandText, unsigned pollMilliseconds);

  // True once the runner has given up waiting for an interpreter during shutdown; from then on
  // run() returns at once without touching any file.
  bool refusesScripts() const { return refusing_; }

 private:
  // Polls (sleeping, without handling window messages) until the process has ended, its exit code
  // can no longer be read, or the shutdown wait has passed. False in the last case.
  bool awaitEnd(RunningProcess& process, unsigned pollMilliseconds);

  unsigned shutdownWaitMilliseconds_;
  bool refusing_ = false;
};

}  // namespace tarvio
