// The script runner.
#include "exec/script_runner.h"

#include <optional>

#include "common/paths.h"
#include "common/scope_exit.h"
#include "exec/commands.h"
#include "platform/platform.h"

namespace tarvio {

namespace {

// The command text in the ANSI code page and one CR LF; no byte-order mark. Truncates a script
// left over from an earlier run.
void writeScript(const std::string& commandText) {
  std::string bytes = codePages().toAnsi(commandText).bytes;
  bytes += "\r\n";
  std::unique_ptr<OutputFile> file = fs().createFile(paths::scriptFile);
  file->write(bytes.data(), bytes.size());
  file->close();
}

bool stillRunning(const std::optional<uint32_t>& code) { return code && *code == stillActive; }

}  // namespace

ScriptExit runScript(const std::string& commandText, unsigned pollMilliseconds) {
  // Never destroyed: an interpreter still kept when the program ends is left to run on, and its
  // handle is not released while the runtime shuts down.
  static ScriptRunner& runner = *new ScriptRunner;
  return runner.run(commandText, pollMilliseconds);
}

bool ScriptRunner::awaitEnd(RunningProcess& process, unsigned pollMilliseconds, ScriptExit& exit) {
  unsigned waited = 0;
  while (stillRunning(exit = process.exitCode())) {
    if (waited >= shutdownWaitMilliseconds_) return false;
    clock().sleep(pollMilliseconds);
    waited += pollMilliseconds;
  }
  return true;
}

ScriptExit ScriptRunner::run(const std::string& commandText, unsigned pollMilliseconds) {
  if (refusing_) return std::nullopt;

  writeScript(commandText);
  ScopeExit cleanUp([] {
    // Failures are ignored: a missing file is no error.
    fs().deleteFile(paths::scriptFile);
    fs().deleteFile(paths::pgpassFile);
  });

  std::unique_ptr<RunningProcess> process =
      platform().processes->startInterpreter(commands::interpreterParameters());
  if (!process) return std::nullopt;

  if (!desktop().terminated()) {
    for (;;) {
      desktop().processMessages();
      std::optional<uint32_t> code = process->exitCode();
      clock().sleep(pollMilliseconds);
      // An exit code that cannot be read at all will never change: waiting on would last forever.
      if (!stillRunning(code)) return code;
      if (desktop().terminated()) break;
    }
  }
  // The application is shutting down while the interpreter still runs. The interpreter reads its
  // script line by line as it goes, so the script is waited for to its end (without handling window
  // messages) before its files are deleted: deleting them now would cut the script short, and the
  // next script would be written over it while it still runs.
  ScriptExit exit;
  if (!awaitEnd(*process, pollMilliseconds, exit)) {
    refusing_ = true;
    return std::nullopt;
  }
  return exit;
}

}  // namespace tarvio
