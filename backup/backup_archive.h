// The backup archive's contents: the dump and the work folders, in their eight groups.
#pragma once

#include <string>

namespace tarvio {

// Writes the archive at `archivePath` (replacing a file there) from the dump and the work folders.
// Throws the archive engine's error; nothing is left at the path when it fails.
void writeBackupArchive(const std::string& archivePath);

}  // namespace tarvio
