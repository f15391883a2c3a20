// The console program's commands.
#include "app/unattended_runs.h"

#include <functional>

#include "app/error_display.h"
#include "backup/archive_copy.h"
#include "backup/archive_retention.h"
#include "backup/backup.h"
#include "backup/recorded_run.h"
#include "common/main_window.h"
#include "common/path_text.h"
#include "common/paths.h"
#include "platform/platform.h"
#include "restore/restore_drill.h"

namespace tarvio {

namespace {

void logLine(const std::string& line) { Principal->ListBox().addAndSelectLast(line); }

// Runs one step; an error is shown and handed back.
std::exception_ptr shownError(const std::function<void()>& step) {
  try {
    step();
    return nullptr;
  } catch (...) {
    showErrorDisplay(std::current_exception());
    return std::current_exception();
  }
}

bool isAnotherRun(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const AnotherRunInProgress&) {
    return true;
  } catch (...) {
    return false;
  }
}

// Takes the lock for the whole command; a refusal is recorded as the refused run of `kind`.
std::exception_ptr lockFor(history::RunKind kind, std::optional<RunLockScope>& lock) {
  std::exception_ptr refused = shownError([&] { lock.emplace(); });
  if (refused) RunRecord(kind).write(refused);
  return refused;
}

void keepNewest(const std::string& folder, size_t keep, const std::string& justMade) {
  RetentionResult result = keepNewestArchives(folder, keep, lastPathPart(justMade));
  for (const auto& path : result.deleted) logLine("Backup antigo apagado: " + path);
  for (const auto& path : result.notDeleted) logLine("O backup antigo " + path + " não pôde ser apagado.");
  logLine("Mantidos os " + std::to_string(keep) + " backups mais recentes em " + folder + ": " +
          std::to_string(result.deleted.size()) + " apagado(s).");
}

// The program is being closed (Ctrl+C, a scheduler that stops the task): the step that ran has
// ended, the ones after it do not begin.
bool stoppedOnRequest() {
  if (!desktop().terminated()) return false;
  logLine("Interrompido a pedido: os passos seguintes ao backup não foram feitos.");
  return true;
}

}  // namespace

CommandOutcome runBackupCommand(const BackupCommand& command) {
  std::optional<RunLockScope> lock;
  if (auto refused = lockFor(history::RunKind::backup, lock)) {
    return isAnotherRun(refused) ? CommandOutcome::anotherRunInProgress : CommandOutcome::backupFailed;
  }

  std::optional<std::string> archive;
  if (shownError([&] { archive = TBackup::Executar(true); }) || !archive) return CommandOutcome::backupFailed;
  // Closed before a step began: the backup stands, and the code tells the first step asked for that
  // was not done (a skipped retention loses nothing).
  auto skipped = [&] {
    return command.verify ? CommandOutcome::drillFailed
                          : command.copyTo ? CommandOutcome::copyFailed : CommandOutcome::success;
  };
  bool stepsFollow = command.verify || command.keep || command.copyTo;
  if (stepsFollow && stoppedOnRequest()) return skipped();
  if (command.verify && shownError([&] { runRestoreDrill(*archive); })) return CommandOutcome::drillFailed;
  if (command.keep) keepNewest(std::string(paths::backupDir), *command.keep, *archive);
  if (command.copyTo && stoppedOnRequest()) return CommandOutcome::copyFailed;
  if (command.copyTo) {
    std::string copy;
    if (shownError([&] { copy = copyArchive(*archive, *command.copyTo); })) return CommandOutcome::copyFailed;
    if (command.keep) keepNewest(*command.copyTo, *command.keep, copy);
  }
  return CommandOutcome::success;
}

CommandOutcome runDrillCommand(const std::string& backup) {
  std::exception_ptr error = shownError([&] { runRestoreDrill(backup); });
  if (!error) return CommandOutcome::success;
  return isAnotherRun(error) ? CommandOutcome::anotherRunInProgress : CommandOutcome::drillFailed;
}

}  // namespace tarvio
