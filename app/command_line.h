// The first command-line argument and the "backup" rule.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvio {

// Splits a whole Windows command line (program name first) the usual Windows way: arguments are
// separated by blanks and control characters; double quotes group text and are removed.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

// True when the argument, with its ASCII letters A-Z lower-cased, is exactly "backup".
bool isBackupArgument(std::string_view argument);

}  // namespace tarvio
