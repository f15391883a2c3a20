// The archive engine's error: an English message naming the archive, entry or file that failed.
#pragma once

#include <stdexcept>
#include <string>

namespace tarvio::zip {

class ZipError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace tarvio::zip
