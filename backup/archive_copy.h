// The second copy of a backup archive in another folder (a second disk, a network share), so that the
// backup outlives the loss of the server's disk.
#pragma once

#include <stdexcept>
#include <string>

namespace tarvio {

// A copy that did not end as a proven copy of the archive: its message says why ("A cópia falhou: ...").
// The archive itself is untouched.
class CopyFailed : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Copies `archive` into `folder` under the archive's own name: written under a temporary name beside
// it, renamed into place (replacing a file of that name), then read back from there, every entry
// against its CRC. A copy that fails leaves neither the temporary file nor a copy that did not read
// back. Runs under the run lock, recorded in the history as "cópia". Returns the copy's path.
std::string copyArchive(const std::string& archive, const std::string& folder);

}  // namespace tarvio
