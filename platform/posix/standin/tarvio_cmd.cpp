// tarvio-cmd: stands in for "cmd.exe" on POSIX. Usage: tarvio-cmd [/D] /C SCRIPT.bat | [/D] /C COMMAND LINE
// with TARVIO_DRIVE_C naming the folder that stands for drive C:\. Exits with the exit code of the
// last command, like cmd /C. /D (no AutoRun commands) is accepted; the stand-in has none to run.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>

#include "common/ascii.h"
#include "platform/posix/standin/interpreter.h"

namespace {

bool isBatchFile(const std::string& s) {
  return tarvio::endsWithIgnoringAsciiCase(s, ".bat") || tarvio::endsWithIgnoringAsciiCase(s, ".cmd");
}

bool isSwitch(const char* arg, const char* name) { return tarvio::equalsIgnoringAsciiCase(arg, name); }

}  // namespace

int main(int argc, char** argv) {
  const char* driveC = std::getenv("TARVIO_DRIVE_C");
  int first = 1;
  if (first < argc && isSwitch(argv[first], "/D")) ++first;
  if (argc - first < 2 || !isSwitch(argv[first], "/C")) {
    std::cerr << "usage: tarvio-cmd [/D] /C SCRIPT.bat | [/D] /C COMMAND LINE\r\n";
    return 1;
  }
  if (!driveC || !*driveC) {
    std::cerr << "tarvio-cmd: TARVIO_DRIVE_C (the folder standing for drive C:\\) is not set\r\n";
    return 1;
  }
  // Like a hidden console: no terminal for a program to prompt on.
  setsid();
  // Files that the scripts create are the user's own, as in a user's folder on Windows. PostgreSQL's
  // client ignores a password file that others may read, so the scripts' pgpass must not be.
  umask(077);
  std::string commandLine = argv[first + 1];
  for (int i = first + 2; i < argc; ++i) commandLine += std::string(" ") + argv[i];
  std::string script = commandLine;
  if (script.size() >= 2 && script.front() == '"' && script.back() == '"') {
    script = script.substr(1, script.size() - 2);
  }
  tarvio::standin::Interpreter interpreter(driveC);
  int code = isBatchFile(script) ? interpreter.runScriptFile(script) : interpreter.runLine(commandLine);
  std::cout.flush();
  return code;
}
