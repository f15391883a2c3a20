// The command interpreter stand-in's line handling.
#include "platform/posix/standin/interpreter.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

#include "common/ascii.h"
#include "common/windows1252.h"
#include "platform/posix/drive_path.h"

extern char** environ;

namespace tarvio::standin {

namespace {

constexpr int notRecognised = 9009;  // cmd.exe's exit code for a program it cannot find

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Splits "word rest" at the first blank.
std::pair<std::string_view, std::string_view> firstWord(std::string_view line) {
  size_t end = 0;
  while (end < line.size() && !isBlank(line[end])) ++end;
  std::string_view rest = line.substr(end);
  if (!rest.empty()) rest.remove_prefix(1);  // the one separating blank
  return {line.substr(0, end), rest};
}

bool isExecutableFile(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

void errorLine(const std::string& text) { std::cerr << text << "\r\n" << std::flush; }

// Opens a redirection target, created or truncated (or appended to); -1 with an error line.
int openOutput(const std::string& hostPath, bool append) {
  int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC);
  int fd = open(hostPath.c_str(), flags, 0666);
  if (fd < 0) errorLine("The system cannot find the path specified.");
  return fd;
}

// Built-in commands of cmd.exe that the program's scripts never use.
bool isUnsupportedBuiltin(const std::string& word) {
  static const char* const names[] = {"if",    "for",   "goto", "call", "setlocal", "endlocal",
                                      "pushd", "popd",  "cd",   "chdir", "pause",   "shift",
                                      "copy",  "del",   "erase", "move", "ren",     "type",
                                      "mkdir", "md",    "rmdir", "rd",   "dir",     "title",
                                      "color", "cls",   "path", "prompt", "ver",    "vol"};
  for (const char* name : names) {
    if (word == name) return true;
  }
  return false;
}

}  // namespace

ParsedCommand parseCommand(std::string_view line) {
  ParsedCommand parsed;
  std::string word;
  bool inWord = false, inQuotes = false, nextIsTarget = false, nextIsErrorTarget = false;
  auto finishWord = [&] {
    if (!inWord) return;
    if (nextIsErrorTarget) {
      parsed.errors = word;
      nextIsErrorTarget = false;
    } else if (nextIsTarget) {
      parsed.output = word;
      nextIsTarget = false;
    } else {
      parsed.words.push_back(word);
    }
    word.clear();
    inWord = false;
  };
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '"') {
      inQuotes = !inQuotes;
      inWord = true;
    } else if (inQuotes) {
      word += c;
    } else if (isBlank(c)) {
      finishWord();
    } else if (c == '2' && !inWord && i + 1 < line.size() && line[i + 1] == '>') {
      if (parsed.errors || nextIsErrorTarget || nextIsTarget) {
        parsed.error = "more than one error output redirection";
        return parsed;
      }
      nextIsErrorTarget = true;
      ++i;
    } else if (c == '>') {
      finishWord();
      if (parsed.output || nextIsTarget || nextIsErrorTarget) {
        parsed.error = "more than one output redirection";
        return parsed;
      }
      if (i + 1 < line.size() && line[i + 1] == '>') {
        parsed.append = true;
        ++i;
      }
      nextIsTarget = true;
    } else if (c == '<' || c == '|' || c == '&' || c == '%' || c == '^') {
      parsed.error = std::string("unsupported character '") + c + "'";
      return parsed;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inQuotes) {
    parsed.error = "unmatched double quote";
    return parsed;
  }
  finishWord();
  if (nextIsTarget || nextIsErrorTarget) parsed.error = "redirection without a file";
  return parsed;
}

std::string Interpreter::hostPath(std::string_view path) const { return toHostPath(path, driveC_); }

int Interpreter::runScriptFile(std::string_view drivePath) {
  std::ifstream in(hostPath(drivePath), std::ios::binary);
  if (!in) {
    errorLine("The system cannot find the path specified.");
    return 1;
  }
  std::stringstream content;
  content << in.rdbuf();
  int code = 0;
  std::string line;
  while (std::getline(content, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    code = runLine(line);
    if (exitRequested_) break;
  }
  return code;
}

int Interpreter::runLine(std::string_view rawLine) {
  std::string_view line = trim(rawLine);
  if (!line.empty() && line.front() == '@') line = trim(line.substr(1));
  if (line.empty() || line.substr(0, 2) == "::") return 0;
  auto [first, rest] = firstWord(line);
  std::string verb = lowerAscii(first);
  if (verb == "rem") return 0;
  if (verb == "echo") return echo(rest);
  if (verb == "set") return set(windows1252ToUtf8(rest));
  if (verb == "exit") {
    exitRequested_ = true;
    ParsedCommand args = parseCommand(rest);
    size_t i = (!args.words.empty() && lowerAscii(args.words[0]) == "/b") ? 1 : 0;
    return i < args.words.size() ? std::atoi(args.words[i].c_str()) : 0;
  }
  if (isUnsupportedBuiltin(verb)) {
    errorLine("tarvio-cmd: unsupported command: " + windows1252ToUtf8(line));
    return 1;
  }
  bool detached = false;
  std::string_view commandLine = line;
  if (verb == "start") {
    auto [option, program] = firstWord(trim(rest));
    if (lowerAscii(option) != "/b") {
      errorLine("tarvio-cmd: unsupported form of start: " + windows1252ToUtf8(line));
      return 1;
    }
    detached = true;
    commandLine = trim(program);
  }
  ParsedCommand command = parseCommand(windows1252ToUtf8(commandLine));
  if (!command.error.empty() || command.words.empty()) {
    errorLine("tarvio-cmd: " + (command.error.empty() ? std::string("no program") : command.error) +
              ": " + windows1252ToUtf8(line));
    return 1;
  }
  return program(command, detached);
}

// "echo TEXT> FILE": the file holds TEXT, exactly as written up to the sign, and CR LF.
// Without a redirection the text goes to the standard output.
int Interpreter::echo(std::string_view rawArguments) {
  size_t sign = rawArguments.find('>');
  std::string text(rawArguments.substr(0, sign));
  text += "\r\n";
  if (sign == std::string_view::npos) {
    std::cout << text << std::flush;
    return 0;
  }
  bool append = sign + 1 < rawArguments.size() && rawArguments[sign + 1] == '>';
  std::string_view target = trim(rawArguments.substr(sign + (append ? 2 : 1)));
  if (target.empty() || target.find('>') != std::string_view::npos) {
    errorLine("tarvio-cmd: unsupported echo: echo " + windows1252ToUtf8(rawArguments));
    return 1;
  }
  int fd = openOutput(hostPath(windows1252ToUtf8(target)), append);
  if (fd < 0) return 1;
  bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  close(fd);
  return written ? 0 : 1;
}

// "SET NAME=VALUE": the variable is seen by the later lines and the programs they start. Drive
// paths in the value (each element of a list separated by ";") become host paths.
int Interpreter::set(std::string_view assignment) {
  assignment = trim(assignment);
  if (assignment.size() >= 2 && assignment.front() == '"' && assignment.back() == '"') {
    assignment = assignment.substr(1, assignment.size() - 2);
  }
  size_t equals = assignment.find('=');
  if (equals == std::string_view::npos || equals == 0) {
    errorLine("tarvio-cmd: unsupported SET: SET " + std::string(assignment));
    return 1;
  }
  std::string name(assignment.substr(0, equals));
  std::string_view value = assignment.substr(equals + 1);
  if (value.empty()) {
    unsetenv(name.c_str());
    return 0;
  }
  std::string mapped;
  for (size_t start = 0;;) {
    size_t end = value.find(';', start);
    mapped += hostPath(value.substr(start, end - start));
    if (end == std::string_view::npos) break;
    mapped += ';';
    start = end + 1;
  }
  return setenv(name.c_str(), mapped.c_str(), 1) == 0 ? 0 : 1;
}

// A program by drive path (or any path), else by bare name in the current folder and then along
// PATH; "x.exe" is also found as "x", so host programs can stand in for Windows ones.
std::optional<std::string> Interpreter::findProgram(const std::string& name) const {
  std::vector<std::string> candidates;
  if (name.find_first_of("\\/:") != std::string::npos) {
    candidates.push_back(hostPath(name));
  } else {
    candidates.push_back("./" + name);
    const char* path = getenv("PATH");
    std::string_view dirs = path ? path : "";
    for (size_t start = 0; start <= dirs.size();) {
      size_t end = dirs.find(':', start);
      if (end == std::string_view::npos) end = dirs.size();
      std::string dir(dirs.substr(start, end - start));
      candidates.push_back((dir.empty() ? std::string(".") : dir) + "/" + name);
      start = end + 1;
    }
  }
  for (const std::string& candidate : candidates) {
    if (isExecutableFile(candidate)) return candidate;
    if (endsWithIgnoringAsciiCase(candidate, ".exe")) {
      std::string bare = candidate.substr(0, candidate.size() - 4);
      if (isExecutableFile(bare)) return bare;
    }
  }
  return std::nullopt;
}

int Interpreter::program(const ParsedCommand& command, bool detached) {
  // The redirection target is created or truncated before the program is looked for or run.
  int out = -1, err = -1;
  if (command.output) {
    out = openOutput(hostPath(*command.output), command.append);
    if (out < 0) return 1;
  }
  if (command.errors) {
    err = openOutput(hostPath(*command.errors), false);
    if (err < 0) {
      if (out >= 0) close(out);
      return 1;
    }
  }
  auto closeTargets = [&] {
    if (out >= 0) close(out);
    if (err >= 0) close(err);
  };
  std::optional<std::string> found = findProgram(command.words[0]);
  if (!found) {
    closeTargets();
    errorLine("'" + command.words[0] + "' is not recognized as an internal or external command,");
    errorLine("operable program or batch file.");
    return notRecognised;
  }
  std::vector<std::string> args{*found};
  for (size_t i = 1; i < command.words.size(); ++i) args.push_back(hostPath(command.words[i]));
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  std::cout.flush();
  pid_t child = fork();
  if (child < 0) {
    closeTargets();
    errorLine("tarvio-cmd: cannot start " + args[0]);
    return 1;
  }
  if (child == 0) {
    // The hidden console of Windows gives no input: a program that asks for some gets none.
    int nothing = open("/dev/null", O_RDWR);
    if (nothing >= 0) dup2(nothing, STDIN_FILENO);
    if (detached) {
      // start /b: the program runs on after the interpreter, in a session of its own and with no
      // handle of the interpreter's output, so nothing waits for it. A second fork lets this child
      // end at once, and the program is never left behind as a zombie.
      setsid();
      if (nothing >= 0 && out < 0) {
        dup2(nothing, STDOUT_FILENO);
        dup2(nothing, STDERR_FILENO);
      }
      if (fork() != 0) _exit(0);
    }
    if (out >= 0) dup2(out, STDOUT_FILENO);
    if (err >= 0) dup2(err, STDERR_FILENO);
    signal(SIGPIPE, SIG_DFL);
    execve(argv[0], argv.data(), environ);
    _exit(127);
  }
  closeTargets();
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (detached) return 0;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

}  // namespace tarvio::standin
