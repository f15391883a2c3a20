// Starting the command interpreter stand-in (for "cmd.exe") or another program on POSIX.
//
// The program runs in the current folder with stdin, stdout and stderr on /dev/null (the hidden
// console window of Windows, whose output nobody sees) and TARVIO_DRIVE_C in its environment, so
// that it maps drive paths as this process does. Parameters are split on blanks; quotes are not
// interpreted, as no caller passes a parameter with a blank in it.
//
// A RunningProcess that is destroyed before its process has been waited for hands the process
// to a detached reaper thread that waits for it: the process is never killed and leaves no zombie.
#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "common/ascii.h"
#include "platform/native.h"

extern char** environ;

namespace tarvio {

namespace {

constexpr const char* kDriveVariable = "TARVIO_DRIVE_C";

std::vector<std::string> splitOnBlanks(std::string_view text) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    size_t start = i;
    while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
    if (i > start) words.emplace_back(text.substr(start, i - start));
  }
  return words;
}

class PosixProcess : public RunningProcess {
 public:
  explicit PosixProcess(pid_t pid) : pid_(pid) {}

  ~PosixProcess() override {
    if (exit_) return;
    pid_t pid = pid_;
    try {
      std::thread([pid] {
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
      }).detach();
    } catch (...) {
      // No thread to be had: the process stays a zombie until this program ends.
    }
  }

  std::optional<uint32_t> exitCode() override {
    if (exit_) return exit_;
    int status = 0;
    pid_t got;
    do {
      got = waitpid(pid_, &status, WNOHANG);
    } while (got < 0 && errno == EINTR);
    if (got == 0) return stillActive;
    if (got < 0) return std::nullopt;  // not our child any more: nothing can be learnt
    if (WIFEXITED(status)) exit_ = static_cast<uint32_t>(WEXITSTATUS(status));
    else if (WIFSIGNALED(status)) exit_ = 128u + static_cast<uint32_t>(WTERMSIG(status));  // as shells report it
    else exit_ = 1u;
    return exit_;
  }

 private:
  pid_t pid_;
  std::optional<uint32_t> exit_;
};

class PosixProcessLauncher : public ProcessLauncher {
 public:
  PosixProcessLauncher(std::string driveC, std::string interpreter)
      : driveC_(std::move(driveC)), interpreter_(std::move(interpreter)) {}

  std::unique_ptr<RunningProcess> startHidden(std::string_view file, std::string_view parameters) override {
    std::string program = equalsIgnoringAsciiCase(file, "cmd.exe") ? interpreter_ : std::string(file);
    if (program.empty()) return nullptr;

    std::vector<std::string> args = splitOnBlanks(parameters);
    args.insert(args.begin(), program);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    std::string driveEntry = std::string(kDriveVariable) + "=" + driveC_;
    std::vector<char*> envp;
    size_t nameLength = std::strlen(kDriveVariable);
    for (char** e = environ; e && *e; ++e) {
      if (std::strncmp(*e, kDriveVariable, nameLength) == 0 && (*e)[nameLength] == '=') continue;
      envp.push_back(*e);
    }
    envp.push_back(driveEntry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    // A name with a slash is a path; a bare name is looked up on PATH, as Windows searches its path.
    int err = program.find('/') != std::string::npos
                  ? posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data())
                  : posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (err != 0) return nullptr;
    return std::make_unique<PosixProcess>(pid);
  }

 private:
  std::string driveC_;
  std::string interpreter_;
};

}  // namespace

std::unique_ptr<ProcessLauncher> makeNativeProcessLauncher(const std::string& driveC,
                                                           const std::string& interpreter) {
  return std::make_unique<PosixProcessLauncher>(driveC, interpreter);
}

}  // namespace tarvio
