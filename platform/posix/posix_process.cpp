// Starting the command interpreter stand-in (for "cmd.exe") on POSIX.
//
// The stand-in is started by the path the launcher was made with, in the folder of the running
// program, with stdin, stdout and stderr on /dev/null (the hidden console window of Windows, whose
// output nobody sees) and TARVIO_DRIVE_C in its environment, so that it maps drive paths as this
// process does. It runs in a process group of its own, as the interpreter on Windows has a console
// of its own: a Ctrl+C typed at this program's terminal reaches this program, which decides what
// to do, and never cuts a script short. Parameters are split on blanks; quotes are not interpreted, as no caller passes a
// parameter with a blank in it.
//
// A RunningProcess that is destroyed before its process has been waited for hands the process
// to a detached reaper thread that waits for it: the process is never killed and leaves no zombie.
#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/native.h"
#include "platform/process_environment.h"

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

// The folder of the running program.
std::string ownFolder() {
  std::string self(4096, '\0');
  ssize_t n = readlink("/proc/self/exe", self.data(), self.size() - 1);
  if (n <= 0) return {};
  self.resize(static_cast<size_t>(n));
  return self.substr(0, self.rfind('/') + 1);
}

class PosixProcessLauncher : public ProcessLauncher {
 public:
  PosixProcessLauncher(const std::string& driveC, std::string interpreter, EnvironmentSettings settings)
      : interpreter_(std::move(interpreter)), settings_(std::move(settings)) {
    settings_.emplace_back(kDriveVariable, driveC);
  }

  std::unique_ptr<RunningProcess> startInterpreter(std::string_view parameters) override {
    // A full path, never a name to look for along PATH.
    if (interpreter_.empty() || interpreter_.front() != '/') return nullptr;
    std::string folder = ownFolder();
    if (folder.empty()) return nullptr;

    std::vector<std::string> args = splitOnBlanks(parameters);
    args.insert(args.begin(), interpreter_);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<std::string> inherited;
    for (char** e = environ; e && *e; ++e) inherited.emplace_back(*e);
    std::vector<std::string> environment =
        interpreterEnvironment(inherited, settings_, VariableNames::caseSensitive);
    std::vector<char*> envp;
    for (auto& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = 0;
    int err = posix_spawn(&pid, interpreter_.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (err != 0) return nullptr;
    return std::make_unique<PosixProcess>(pid);
  }

 private:
  std::string interpreter_;
  EnvironmentSettings settings_;
};

}  // namespace

std::unique_ptr<ProcessLauncher> makeNativeProcessLauncher(const std::string& driveC, const std::string& interpreter,
                                                           const EnvironmentSettings& settings) {
  return std::make_unique<PosixProcessLauncher>(driveC, interpreter, settings);
}

}  // namespace tarvio
