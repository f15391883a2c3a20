// A short, safe label of a table case for test names: ASCII letters, digits and a few marks kept,
// everything else shown as "_".
#pragma once

#include <ostream>
#include <string>
#include <string_view>

namespace tarvio::test {

inline std::string caseLabel(std::string_view text) {
  std::string out;
  for (char c : text) {
    bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                std::string_view("-.,:%+=&/ ").find(c) != std::string_view::npos;
    out += kept ? c : '_';
  }
  return out.empty() ? "(empty)" : out;
}

}  // namespace tarvio::test
