// A platform for tests of the login.
#include "tests/support/login_service/test_platform.h"

#include "platform/native.h"

namespace tarvio::test {

LoginTestPlatform::LoginTestPlatform() : codePages_(makeNativeCodePages()), previous_(platform()) {
  Platform p = previous_;
  p.codePages = codePages_.get();
  p.desktop = &desktop;
  p.clock = &clock;
  installPlatform(p);
}

LoginTestPlatform::~LoginTestPlatform() { installPlatform(previous_); }

}  // namespace tarvio::test
