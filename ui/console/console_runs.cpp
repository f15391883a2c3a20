// The console program's commands.
#include "ui/console/console_runs.h"

#include "history/history_table.h"
#include "history/run_history.h"
#include "ui/console/console_close_requests.h"
#include "ui/console/console_io.h"

namespace tarvio::console {

namespace {

int printHistory(size_t runs) {
  try {
    for (const auto& line : history::tableLines(history::readRecent(runs))) printLine(line);
    return exit_code::success;
  } catch (const std::exception& e) {
    printLine(std::string("O histórico não pôde ser lido: ") + e.what());
    return exit_code::badUsage;
  }
}

}  // namespace

int runConsoleCommand(const ConsoleCommand& command) {
  if (command.kind == ConsoleCommand::Kind::history) return printHistory(command.historyRuns);

  int code = exit_code::backupFailed;
  {
    // A close request (Ctrl+C, a scheduler's stop) lets the run go on to its end.
    RunInProgress running;
    CommandOutcome outcome = command.kind == ConsoleCommand::Kind::backup ? runBackupCommand(command.backup)
                                                                          : runDrillCommand(command.backupFile);
    code = exitCodeOf(outcome);
  }
  printLine("");
  printLine("Resultado: " + std::string(exitCodeMeaning(code)) + " (código de saída " + std::to_string(code) + ").");
  return code;
}

}  // namespace tarvio::console
