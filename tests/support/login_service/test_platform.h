// A platform for tests of the login: a scripted desktop and clock, the real code pages of the
// system the tests are built for.
#pragma once

#include <memory>

#include "platform/platform.h"
#include "tests/support/fake_desktop.h"
#include "tests/support/scoped_platform.h"

namespace tarvio::test {

// Installs itself while it lives and puts the previous platform back afterwards.
class LoginTestPlatform {
 public:
  LoginTestPlatform();
  LoginTestPlatform(const LoginTestPlatform&) = delete;
  LoginTestPlatform& operator=(const LoginTestPlatform&) = delete;

  FakeDesktop desktop;
  FakeClock clock;

 private:
  std::unique_ptr<CodePages> codePages_;
  ScopedPlatform installed_;
};

}  // namespace tarvio::test
