// Other programs run on the archives (Info-ZIP, 7-Zip, bsdtar, Python), to check that they read
// what the writer writes.
#pragma once

#include <string>

namespace tarvio::test {

// Runs a shell command; returns its exit status and fills `output` with stdout and stderr.
int runCommand(const std::string& command, std::string* output = nullptr);
bool haveTool(const std::string& name);
std::string shellQuote(const std::string& s);

}  // namespace tarvio::test
