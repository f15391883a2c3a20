// Command-line splitting and the "backup" argument.
#include "app/command_line.h"

#include "common/ascii.h"

namespace tarvio {

std::vector<std::string> splitCommandLine(std::string_view line) {
  std::vector<std::string> args;
  std::size_t i = 0;
  auto isSeparator = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (true) {
    while (i < line.size() && isSeparator(line[i])) ++i;
    if (i >= line.size()) break;
    std::string arg;
    bool quoted = false;
    while (i < line.size() && (quoted || !isSeparator(line[i]))) {
      if (line[i] == '"') {
        quoted = !quoted;
      } else {
        arg += line[i];
      }
      ++i;
    }
    args.push_back(std::move(arg));
  }
  return args;
}

bool isBackupArgument(std::string_view argument) { return lowerAscii(argument) == "backup"; }

}  // namespace tarvio
