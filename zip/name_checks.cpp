// Name checks before an extraction.
#include "zip/name_checks.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "common/utf8.h"
#include "common/wildcard.h"
#include "zip/zip_names.h"

namespace tarvio::zip {

namespace {

size_t utf16Length(std::string_view text) {
  size_t units = 0;
  for (size_t i = 0; i < text.size();) {
    std::optional<char32_t> cp = decodeUtf8(text, i);
    units += cp && *cp >= 0x10000 ? 2 : 1;
  }
  return units;
}

std::string_view withoutFinalSlash(std::string_view name) {
  if (!name.empty() && name.back() == '/') name.remove_suffix(1);
  return name;
}

}  // namespace

std::string extractionPath(std::string_view baseFolder, std::string_view name) {
  while (!baseFolder.empty() && (baseFolder.back() == '\\' || baseFolder.back() == '/')) baseFolder.remove_suffix(1);
  std::string path(baseFolder);
  if (!path.empty()) path.push_back('\\');
  size_t start = path.size();
  path += withoutFinalSlash(name);
  std::replace(path.begin() + static_cast<std::ptrdiff_t>(start), path.end(), '/', '\\');
  return path;
}

std::optional<std::string> nameRefusal(std::string_view name, std::string_view baseFolder) {
  if (auto reason = unsafeNameReason(name)) return reason;
  std::string_view rest = withoutFinalSlash(name);
  while (!rest.empty()) {
    size_t slash = rest.find('/');
    if (rest.substr(0, slash).size() > maxNamePartBytes) {
      return "a part of its name is longer than " + std::to_string(maxNamePartBytes) + " bytes";
    }
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
  }
  if (utf16Length(extractionPath(baseFolder, name)) > maxPathUnits) {
    return "its path below \"" + std::string(baseFolder) + "\" would be longer than " + std::to_string(maxPathUnits) +
           " characters";
  }
  return std::nullopt;
}

std::optional<NameConflict> nameConflict(const std::vector<EntryInfo>& entries) {
  struct Named {
    size_t entry;
    bool isFile;
  };
  std::unordered_map<std::string, Named> names;     // each entry's own name, folded
  std::unordered_set<std::string> folders;          // folders on the entries' paths, folded
  auto bothFileAndFolder = [](std::string_view path) {
    // Appended piece by piece: GCC 12 at -O3 warns wrongly (-Wrestrict) on "..." + std::string.
    std::string reason = "\"";
    reason += printableName(path);
    reason += "\" is both a file and a folder in the archive";
    return reason;
  };
  for (size_t i = 0; i < entries.size(); ++i) {
    const EntryInfo& e = entries[i];
    std::string_view name = withoutFinalSlash(e.name);
    // Folding keeps "/" and never makes one, so the folded name's parts are the name's parts.
    std::string key = caseFoldedKey(name);
    if (auto found = names.find(key); found != names.end()) {
      const EntryInfo& other = entries[found->second.entry];
      if (found->second.isFile == !e.isDirectory) {
        return NameConflict{i, "another entry has the same name regardless of letter case: \"" +
                                   printableName(other.name) + "\""};
      }
      return NameConflict{i, bothFileAndFolder(name)};
    }
    if (!e.isDirectory && folders.count(key)) return NameConflict{i, bothFileAndFolder(name)};
    for (size_t slash = key.find('/'), own = name.find('/'); slash != std::string::npos;
         slash = key.find('/', slash + 1), own = name.find('/', own + 1)) {
      std::string folder = key.substr(0, slash);
      if (auto found = names.find(folder); found != names.end() && found->second.isFile) {
        return NameConflict{i, bothFileAndFolder(name.substr(0, own))};
      }
      folders.insert(std::move(folder));
    }
    names.emplace(std::move(key), Named{i, !e.isDirectory});
  }
  return std::nullopt;
}

}  // namespace tarvio::zip
