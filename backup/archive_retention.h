// Which files of a folder are this program's backup archives, and keeping only the newest of them.
// Only names of exactly the pattern the backup run writes, "tarvio-YYYYMMDD-HHMMSS.zip" (lower case,
// as the run writes it), count: a file named otherwise is never touched, whatever it holds.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarvio {

// True when `name` (a file name without folder) is exactly "tarvio-" + 8 digits + "-" + 6 digits + ".zip".
bool isArchiveName(std::string_view name);

// The names of the program's archives in `folder` (files only), newest first: the name holds the
// local date and time of its backup. A missing folder has none.
std::vector<std::string> archivesIn(std::string_view folder);

// What the retention did: the full paths it deleted, and those it could not delete.
struct RetentionResult {
  std::vector<std::string> deleted;
  std::vector<std::string> notDeleted;  // in use, read-only, no rights
};

// Deletes the program's archives in `folder` beyond the newest `keep` (keep >= 1), never the one
// named `justMade` (a file name): it stays, and counts among those kept, even when the clock made
// its name older than others.
RetentionResult keepNewestArchives(std::string_view folder, size_t keep, std::string_view justMade);

}  // namespace tarvio
