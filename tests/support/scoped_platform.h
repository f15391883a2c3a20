// Installs a platform for the life of a scope and puts the one before it back, also when a test
// fails half-way.
#pragma once

#include "platform/platform.h"

namespace tarvio::test {

class ScopedPlatform {
 public:
  explicit ScopedPlatform(const Platform& platformForTheScope) : previous_(platform()) {
    installPlatform(platformForTheScope);
  }
  ~ScopedPlatform() { installPlatform(previous_); }
  ScopedPlatform(const ScopedPlatform&) = delete;
  ScopedPlatform& operator=(const ScopedPlatform&) = delete;

 private:
  Platform previous_;
};

}  // namespace tarvio::test
