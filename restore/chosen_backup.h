// What kind of backup the user chose, and the check, before anything changes, that the restore can
// take a dump from it without touching it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarvio {

enum class BackupKind { archive, dump };

// The kind of a file from its first bytes, whatever its name: a ZIP local header ("PK\3\4") is an
// archive, "PGDMP" a PostgreSQL custom-format dump. nullopt for anything else, or when the file
// cannot be read.
std::optional<BackupKind> backupKindOf(const std::string& path);

// What the checks found in a backup file they accepted.
struct CheckedBackup {
  BackupKind kind = BackupKind::dump;
  std::string dumpEntry;   // an archive: the entry that holds its dump; empty for a bare dump
  uint64_t dumpBytes = 0;  // the dump's size
};

// How a run that reads a backup file checks it first: the words its refusals end with, who would
// delete the file on the way ("pela própria restauração"), the files and folders that the run
// replaces, and whether it extracts the whole archive or only its dump (the room it needs).
struct BackupFileCheck {
  std::string refusalEnding;
  std::string usedBy;
  std::vector<std::string> placesReplaced;
  bool extractsEverything = true;
};

// The checks of checkChosenBackup() for any run that reads a backup: the file exists and can be
// read, is a backup, is none of `placesReplaced` nor lies below one of them, and an archive reads,
// holds its dump, is extractable as it stands, and has room on the drive. Throws an error with a
// Portuguese message ending in `refusalEnding` otherwise.
CheckedBackup checkBackupFile(const std::string& path, const BackupFileCheck& check);

// Checks, before anything is changed, that the chosen file can yield a dump and that the restore
// will not delete or overwrite it on the way (whatever path names it). An archive must read, hold
// its dump in its folder "backup", and be extractable as it stands: every entry checked, names that
// the file system can hold, and room for it on the drive. Throws an error with a Portuguese message
// ending in "Nada foi alterado." otherwise.
void checkChosenBackup(const std::string& chosenName);

}  // namespace tarvio
