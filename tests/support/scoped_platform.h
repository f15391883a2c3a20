// Installs a platform for the life of a scope and puts the one before it back, also when a test
// fails half-way.
#pragma once

#include <functional>

#include "platform/platform.h"

namespace tarvio::test {

class ScopedPlatform {
 public:
  explicit ScopedPlatform(const Platform& platformForTheScope) : previous_(platform()) {
    installPlatform(platformForTheScope);
  }
  // The platform installed now with some of its parts replaced, e.g. a file system that fails:
  //   ScopedPlatform failing([&](Platform& p) { p.fs = &failingFileSystem; });
  explicit ScopedPlatform(const std::function<void(Platform&)>& replaceParts) : previous_(platform()) {
    Platform changed = previous_;
    replaceParts(changed);
    installPlatform(changed);
  }
  ~ScopedPlatform() { installPlatform(previous_); }
  ScopedPlatform(const ScopedPlatform&) = delete;
  ScopedPlatform& operator=(const ScopedPlatform&) = delete;

 private:
  Platform previous_;
};

}  // namespace tarvio::test
