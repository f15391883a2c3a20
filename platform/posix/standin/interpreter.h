// The POSIX stand-in for the Windows command interpreter: runs the lines of a batch script with
// the effects that the program's scripts rely on (echo into a file, SET, a program with its output
// and its error output redirected, start /b, lookup of programs by drive path or bare name), mapping drive paths onto
// the folder that stands for drive C:.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvio::standin {

// One command line split into words the way a Windows program's runtime splits its command line
// (blanks separate words, double quotes group and are removed), with its output redirection.
struct ParsedCommand {
  std::vector<std::string> words;
  std::optional<std::string> output;  // "> FILE" or ">> FILE"
  bool append = false;                // ">>"
  std::optional<std::string> errors;  // "2> FILE": the program's error output
  std::string error;                  // non-empty: syntax this interpreter does not know
};
ParsedCommand parseCommand(std::string_view line);

class Interpreter {
 public:
  explicit Interpreter(std::string driveC) : driveC_(std::move(driveC)) {}

  // Runs every line of a script file given by its drive path; the exit code of the last command.
  int runScriptFile(std::string_view drivePath);
  // Runs one line (Windows-1252 bytes, no line break); its exit code.
  int runLine(std::string_view rawLine);
  bool exitRequested() const { return exitRequested_; }

 private:
  int echo(std::string_view rawArguments);
  int set(std::string_view assignment);
  int program(const ParsedCommand& command, bool detached);
  std::optional<std::string> findProgram(const std::string& name) const;
  std::string hostPath(std::string_view path) const;

  std::string driveC_;
  bool exitRequested_ = false;
};

}  // namespace tarvio::standin
