// What kind of backup the user chose, and the check, before anything changes, that the restore can
// take a dump from it without touching it.
#pragma once

#include <optional>
#include <string>

namespace tarvio {

enum class BackupKind { archive, dump };

// The kind of a file from its first bytes, whatever its name: a ZIP local header ("PK\3\4") is an
// archive, "PGDMP" a PostgreSQL custom-format dump. nullopt for anything else, or when the file
// cannot be read.
std::optional<BackupKind> backupKindOf(const std::string& path);

// Checks, before anything is changed, that the chosen file can yield a dump and that the restore
// will not delete or overwrite it on the way (whatever path names it). An archive must read, hold
// its dump in its folder "backup", and be extractable as it stands: every entry checked, names that
// the file system can hold, and room for it on the drive. Throws an error with a Portuguese message
// ending in "Nada foi alterado." otherwise.
void checkChosenBackup(const std::string& chosenName);

}  // namespace tarvio
