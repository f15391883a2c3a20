// The maker's login web service: its URLs.
#include "auth/login_service.h"

#ifndef TARVIO_LOGIN_HOST
#error "TARVIO_LOGIN_HOST must name the login API host"
#endif

namespace tarvio::login_service {

namespace {

std::string& testRoot() {
  static std::string root;
  return root;
}

}  // namespace

std::string serviceRoot() { return testRoot().empty() ? std::string("https://") + TARVIO_LOGIN_HOST : testRoot(); }
std::string tokenURL() { return serviceRoot() + tokenPath; }
std::string validationURL() { return serviceRoot() + validationPath; }
void setServiceRootForTests(const std::string& root) { testRoot() = root; }

}  // namespace tarvio::login_service
