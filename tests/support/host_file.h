// Files of the host read and written directly, around the file system under test: for a test's
// set-up and for checks that must not trust the code they check.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace tarvio::test {

// The bytes of a file; empty when it does not exist or cannot be read.
inline std::string readHostFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Writes a file with these bytes in place of what it held, making the folders above it.
inline void writeHostFile(const std::filesystem::path& path, const std::string& bytes) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// Removes a test's folder and everything below it, also what the test made read-only; errors are
// ignored, as a test's end must not fail on its clean-up.
inline void removeHostTree(const std::filesystem::path& folder) {
  namespace stdfs = std::filesystem;
  std::error_code ec;
  for (auto it = stdfs::recursive_directory_iterator(folder, ec); !ec && it != stdfs::end(it); it.increment(ec)) {
    stdfs::permissions(it->path(), stdfs::perms::owner_all, stdfs::perm_options::add, ec);
  }
  stdfs::remove_all(folder, ec);
}

}  // namespace tarvio::test
