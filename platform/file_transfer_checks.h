// The checks that copying or moving a file, and moving a folder, make before they touch anything,
// in the order Windows makes them, with the error each one gives. Both file systems run them on
// their own paths (drive paths on Windows, host paths on POSIX) through a small set of queries:
//   bool isFolder(const std::string&), bool isFile(const std::string&),
//   bool exists(const std::string&), std::string parentOf(const std::string&).
#pragma once

#include <string>

#include "platform/filesystem.h"

namespace tarvio {

// Copying or moving a file, never replacing one.
template <class PathQueries>
void checkFileTransfer(const PathQueries& paths, const std::string& from, const std::string& to) {
  if (!paths.isFolder(paths.parentOf(from))) throw FileError(std::string(fserr::pathNotFound));
  if (!paths.isFile(from)) throw FileError(std::string(fserr::fileNotFound));
  if (!paths.isFolder(paths.parentOf(to))) throw FileError(std::string(fserr::pathNotFound));
  if (paths.exists(to)) throw FileError(std::string(fserr::fileExists));
}

// Moving a folder to a new place whose parent exists.
template <class PathQueries>
void checkFolderMove(const PathQueries& paths, const std::string& from, const std::string& to) {
  if (!paths.isFolder(from)) throw FileError(std::string(fserr::pathNotFound));
  if (paths.exists(to)) throw FileError(std::string(fserr::directoryExists));
  if (!paths.isFolder(paths.parentOf(to))) throw FileError(std::string(fserr::pathNotFound));
}

}  // namespace tarvio
