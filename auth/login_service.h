// The maker's login web service: its URLs and the program's own service account.
#pragma once

#include <string>

namespace tarvio::login_service {

inline constexpr const char* tokenPath = "/token";
inline constexpr const char* validationPath = "/autenticacao/validarLogin";
inline constexpr const char* serviceUser = "7f91c4a8e26b05d3f4a7c19e8b2d6054";
inline constexpr const char* servicePassword = "Tz7kWp3Rnd0=";
inline constexpr const char* bearerPrefix = "Bearer ";

// "https://" and the login API host, fixed when the program is built.
std::string serviceRoot();
std::string tokenURL();       // serviceRoot() + tokenPath
std::string validationURL();  // serviceRoot() + validationPath

// Tests only: sends both requests to another root, such as "https://localhost:44321"; an empty
// text restores the built-in one. The program never calls it.
void setServiceRootForTests(const std::string& root);

}  // namespace tarvio::login_service
