// The runs that the console program makes when it is started with a command, as a scheduler starts it:
// the backup with its drill, its retention and its second copy, and the drill of an existing backup.
// Each holds the run lock from its first step to its last, so that no other backup or restore comes
// in between; each step adds its own line to the history. Errors are shown on the desktop as the
// window shows them, and the outcome tells which step failed.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace tarvio {

struct BackupCommand {
  bool verify = false;                // --verificar: the drill on the archive just made
  std::optional<size_t> keep;         // --manter N: the newest N archives stay, here and at the copy
  std::optional<std::string> copyTo;  // --copiar-para PASTA
};

enum class CommandOutcome { success, backupFailed, anotherRunInProgress, drillFailed, copyFailed };

// The backup, then (each only when the one before it succeeded) its drill, the retention in the
// backup folder, the copy, and the retention at the copy. A failed copy leaves the backup standing.
CommandOutcome runBackupCommand(const BackupCommand& command);

// The drill of `backup` (empty: the newest archive in the backup folder).
CommandOutcome runDrillCommand(const std::string& backup);

}  // namespace tarvio
