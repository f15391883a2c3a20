// The checks of entry names before an extraction, each giving the reason for a refusal: one name
// on its own (unsafe, or too long for the file system), and all names together (two that are one
// on Windows, or one that is a file and also a folder).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "zip/archive_index.h"

namespace tarvio::zip {

// Longest name part: NTFS allows 255 UTF-16 units and Linux file systems 255 bytes. A part's UTF-8
// byte count is never below its UTF-16 count, so refusing beyond 255 bytes is safe for both.
constexpr size_t maxNamePartBytes = 255;
// Longest path in UTF-16 units where an entry is written: what Windows takes with "\\?\" paths
// (32,767), less room for the prefix and the name of a temporary file.
constexpr size_t maxPathUnits = 32000;

// Where an entry lands below baseFolder: the folder, "\", and the name with "\" separators (a
// folder's without its final one).
std::string extractionPath(std::string_view baseFolder, std::string_view name);

// Why the entry `name` cannot be extracted below baseFolder (unsafeNameReason, a part longer than
// maxNamePartBytes, a path longer than maxPathUnits), or nullopt.
std::optional<std::string> nameRefusal(std::string_view name, std::string_view baseFolder);

struct NameConflict {
  size_t entry;  // the later entry of the two, in archive order
  std::string reason;
};

// The first entry whose name clashes with an earlier one's once letter case is ignored (with the
// folding Windows applies to names): the same name twice, or a name that is a file for one entry
// and a folder for another (explicitly, or as a folder on another entry's path).
std::optional<NameConflict> nameConflict(const std::vector<EntryInfo>& entries);

}  // namespace tarvio::zip
