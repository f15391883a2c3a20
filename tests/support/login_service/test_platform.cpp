// A platform for tests of the login.
#include "tests/support/login_service/test_platform.h"

#include "platform/native.h"

namespace tarvio::test {

LoginTestPlatform::LoginTestPlatform()
    : codePages_(makeNativeCodePages()), installed_([this](Platform& p) {
        p.codePages = codePages_.get();
        p.desktop = &desktop;
        p.clock = &clock;
      }) {}

}  // namespace tarvio::test
