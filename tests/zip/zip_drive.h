// The shared sandbox drive as the archive engine's tests use it.
#pragma once

#include <string>

#include "tests/support/sandbox.h"

namespace tarvio::test {

// A private drive C: whose clock stands still at an even second: folder entries carry the time
// they were added, and the archives' MS-DOS times keep seconds in steps of two, so that time reads
// back as it was set.
class ZipDrive : public Sandbox {
 public:
  ZipDrive() { clock.current = LocalTime{2024, 3, 5, 9, 7, 4, 0}; }

  // Copies an archive of tests/zip/fixtures to C:\in and returns its drive path there.
  std::string fixture(const std::string& name);
};

}  // namespace tarvio::test
