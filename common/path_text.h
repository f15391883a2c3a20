// Paths as text: the program's own paths are Windows paths ("C:\a", "\\servidor\pasta"); a folder
// that an administrator names on a POSIX system may also be a host path ("/srv/copias"), which the
// POSIX file system takes as it is.
#pragma once

#include <string>
#include <string_view>

namespace tarvio {

// `name` inside `folder`, separated as the folder's own path is: "/" for a host path beginning with
// "/", "\" otherwise; no second separator when the folder already ends in one.
inline std::string pathInFolder(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path.empty() || (path.back() != '\\' && path.back() != '/')) path += path.rfind('/', 0) == 0 ? '/' : '\\';
  path += name;
  return path;
}

// The last part of a path, after its last "\" or "/".
inline std::string lastPathPart(std::string_view path) {
  size_t cut = path.find_last_of("\\/");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

}  // namespace tarvio
