// The script runner.
#include "exec/script_runner.h"

#include <optional>

#include "app/paths.h"
#include "exec/commands.h"
#include "platform/platform.h"
#include "platform/scope_exit.h"

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

void runScript(const std::string& commandText, unsigned pollMilliseconds) {
  // Never destroyed: an interpreter still kept when the program ends is left to run on, and its
  // handle is not released while the runtime shuts down.
  static ScriptRunner& runner = *new ScriptRunner;
  runner.run(commandText, pollMilliseconds);
}

bool ScriptRunner::awaitEnd(RunningProcess& process, unsigned pollMilliseconds) {
  unsigned waited = 0;
  while (stillRunning(process.exitCode())) {
    if (waited >= shutdownWaitMilliseconds_) return false;
    clock().sleep(pollMilliseconds);
    waited += pollMilliseconds;
  }
  return true;
}

void ScriptRunner::run(const std::string& commandText, unsigned pollMilliseconds) {
  if (refusing_) return;
  // An interpreter left running when the window was closed may still read the script file and
  // still be working on the database: a second script must not start beside it.
  if (unfinished_) {
    if (!awaitEnd(*unfinished_, pollMilliseconds)) {
      refusing_ = true;
      return;
    }
    unfinished_.reset();
  }

  writeScript(commandText);
  ScopeExit cleanUp([] {
    // Failures are ignored: a missing file is no error.
    fs().deleteFile(paths::scriptFile);
    fs().deleteFile(paths::pgpassFile);
  });

  // Once the application is shutting down, a script is waited for to its end, without handling
  // window messages, so that its files outlive it and the next script cannot start beside it.
  bool shuttingDown = desktop().terminated();
  std::unique_ptr<RunningProcess> process =
      platform().processes->startHidden(paths::interpreterExe, commands::interpreterParameters);
  if (!process) return;

  if (shuttingDown) {
    if (!awaitEnd(*process, pollMilliseconds)) {
      refusing_ = true;
      unfinished_ = std::move(process);
    }
    return;
  }

  std::optional<uint32_t> code;
  for (;;) {
    desktop().processMessages();
    code = process->exitCode();
    clock().sleep(pollMilliseconds);
    // An exit code that cannot be read at all will never change: waiting on would last forever.
    if (!stillRunning(code)) break;
    if (desktop().terminated()) break;
  }
  // Cut short by the closing of the window: the interpreter runs on by itself. Keep it, so that
  // the next run waits for it; otherwise the handle is released here.
  if (stillRunning(code)) unfinished_ = std::move(process);
}

}  // namespace tarvio
