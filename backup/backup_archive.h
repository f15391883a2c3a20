// The backup archive's contents: the dump and the work folders, in their eight groups.
#pragma once

#include <string>

namespace tarvio {

// Writes the archive at `archivePath` (replacing a file there) from the dump and the work folders.
// Throws the archive engine's error; nothing is left at the path when it fails.
void writeBackupArchive(const std::string& archivePath);

// Reads the archive back from the disk: every local header must agree with the central directory,
// no entries may overlap, every entry's data must inflate to its recorded size and CRC. Throws the
// archive engine's error otherwise.
void readBackupArchiveBack(const std::string& archivePath);

// Removes from the backup folder the temporary files that a run killed while writing its archive
// left behind: only names of the archive writer's own pattern ("tarvio-YYYYMMDD-HHMMSS.zip.tmp" and
// its spool file). Must run under the run lock, when no other run can be writing one.
void removeLeftoversOfKilledRuns();

}  // namespace tarvio
