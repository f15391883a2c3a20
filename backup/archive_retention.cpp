// The program's archives in a folder and their retention.
#include "backup/archive_retention.h"

#include <algorithm>
#include <regex>

#include "common/path_text.h"
#include "platform/platform.h"

namespace tarvio {

bool isArchiveName(std::string_view name) {
  static const std::regex pattern(R"(tarvio-[0-9]{8}-[0-9]{6}\.zip)");
  return std::regex_match(name.begin(), name.end(), pattern);
}

std::vector<std::string> archivesIn(std::string_view folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs().listDirectory(folder)) {
    if (!entry.isDirectory && isArchiveName(entry.name)) names.push_back(entry.name);
  }
  std::sort(names.begin(), names.end(), std::greater<>());
  return names;
}

RetentionResult keepNewestArchives(std::string_view folder, size_t keep, std::string_view justMade) {
  RetentionResult result;
  std::vector<std::string> names = archivesIn(folder);
  // The archive just made is kept first; the newest others fill the remaining places.
  size_t kept = std::find(names.begin(), names.end(), justMade) != names.end() ? 1 : 0;
  for (const auto& name : names) {
    if (name == justMade) continue;
    if (kept < keep) {
      ++kept;
      continue;
    }
    std::string path = pathInFolder(folder, name);
    if (fs().deleteFile(path)) {
      result.deleted.push_back(path);
    } else {
      result.notDeleted.push_back(path);
    }
  }
  return result;
}

}  // namespace tarvio
