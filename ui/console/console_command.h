// The console program's command line: what it was started to do, its exit codes and its help text.
//
//   (nothing)                    the menu, as the window's three buttons
//   backup [--verificar] [--manter N] [--copiar-para PASTA]
//                                one backup without a question, then its drill, the retention and the
//                                copy; the program ends with the code of the outcome
//   verificar [ARQUIVO]          the drill of a backup (the newest archive when none is named)
//   historico [N]                the last N runs of the history as a table (20 when N is not given)
//   --help, -h, /?, ajuda        the help text
// Commands and options are read without regard to ASCII letter case; an option's value follows it as
// the next argument or after "=". Anything else is bad usage, told before anything runs.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/unattended_runs.h"

namespace tarvio::console {

// The exit codes, one table for every way the program is started.
namespace exit_code {
inline constexpr int success = 0;
inline constexpr int backupFailed = 1;
inline constexpr int badUsage = 2;  // also a missing or wrong TARVIO_DRIVE_C, an unreadable history
inline constexpr int anotherRunInProgress = 3;
inline constexpr int drillFailed = 4;
inline constexpr int copyFailed = 5;
}  // namespace exit_code

struct ConsoleCommand {
  enum class Kind { menu, backup, verify, history, help };
  Kind kind = Kind::menu;
  BackupCommand backup;     // Kind::backup
  std::string backupFile;   // Kind::verify: empty for the newest archive
  size_t historyRuns = 20;  // Kind::history
  std::string usageError;   // not empty: the command line is bad usage, and this says why
};

// The command of the arguments that follow the program's name.
ConsoleCommand parseConsoleCommand(const std::vector<std::string>& arguments);

// The help text's lines; `program` is the name the program is started by.
std::vector<std::string> helpLines(std::string_view program);

int exitCodeOf(CommandOutcome outcome);
// "sucesso", "o backup falhou", ... for the closing line.
std::string_view exitCodeMeaning(int code);

}  // namespace tarvio::console
