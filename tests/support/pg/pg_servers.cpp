// The test helpers for the private PostgreSQL servers: each runs a PostgreSQL program or one of
// the scripts in scripts/pg as a child process.
#include "tests/support/pg/pg_servers.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "common/paths.h"

extern char** environ;

namespace tarvio::test::pg {

namespace stdfs = std::filesystem;

namespace {

std::string fromEnvironment(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

std::string clusterDir() { return fromEnvironment("TARVIO_PG_CLUSTER", TARVIO_PG_CLUSTER_DEFAULT); }

void closePipe(int fds[2]) {
  for (int i = 0; i < 2; ++i) {
    if (fds[i] >= 0) close(fds[i]);
  }
}

// Reads both pipes to their end together, so that neither child stream can fill up and stall it.
void drain(int outFd, int errFd, std::string& out, std::string& err) {
  pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
  std::string* targets[2] = {&out, &err};
  int open = 2;
  char buffer[65536];
  while (open > 0) {
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      throw std::runtime_error(std::string("poll: ") + std::strerror(errno));
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        targets[i]->append(buffer, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        fds[i].fd = -1;
        --open;
      }
    }
  }
}

std::string describe(const std::vector<std::string>& argv, const CommandResult& r) {
  std::string text;
  for (const auto& a : argv) text += (text.empty() ? "" : " ") + a;
  return text + " exited with " + std::to_string(r.exitCode) + ": " + r.err + r.out;
}

CommandResult runChecked(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment = {}) {
  CommandResult r = runProgram(argv, environment);
  if (r.exitCode != 0) throw std::runtime_error(describe(argv, r));
  return r;
}

// Connection settings of a server's superuser over TCP; the user's own password file never counts.
std::vector<std::string> clientEnvironment(const Server& server) {
  return {"PGHOST=localhost", std::string("PGPASSWORD=") + server.password, "PGPASSFILE=/dev/null"};
}

std::string clusterScript() { return scriptsDir() + "/cluster.sh"; }

// The program that stands for `name`.exe in the sandbox: PostgreSQL's own, started through a
// small shell script for two differences between Windows and Unix that the tests must not meet.
// libpq on Unix ignores a password file that others may read (Windows has no such check, and the
// scripts write the file with the default mode), so the file is made private first. Without a
// password libpq would prompt on the terminal; in a session of its own the program has none and
// fails instead, as it does in the hidden console on Windows.
std::string clientScript(const std::string& name) {
  return "#!/bin/sh\n"
         "# " + name + ".exe of the test drive: PostgreSQL's " + name + ".\n"
         "if [ -n \"${PGPASSFILE:-}\" ] && [ -f \"$PGPASSFILE\" ]; then chmod go-rwx \"$PGPASSFILE\" 2>/dev/null; fi\n"
         "exec setsid -w '" + binDir() + "/" + name + "' \"$@\"\n";
}

}  // namespace

std::string binDir() { return fromEnvironment("TARVIO_PG_BIN", TARVIO_PG_BIN_DEFAULT); }
std::string scriptsDir() { return fromEnvironment("TARVIO_PG_SCRIPTS", TARVIO_PG_SCRIPTS_DEFAULT); }

CommandResult runProgram(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment) {
  if (argv.empty()) throw std::invalid_argument("runProgram: no program");
  // The environment settings go through env(1), which adds them to this process's own.
  std::vector<std::string> full = {"/usr/bin/env"};
  full.insert(full.end(), environment.begin(), environment.end());
  full.insert(full.end(), argv.begin(), argv.end());
  std::vector<char*> args;
  for (auto& a : full) args.push_back(a.data());
  args.push_back(nullptr);

  int outPipe[2] = {-1, -1}, errPipe[2] = {-1, -1};
  if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) {
    closePipe(outPipe);
    throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, args[0], &actions, &attr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  close(outPipe[1]);
  close(errPipe[1]);
  CommandResult result{-1, "", ""};
  if (rc == 0) drain(outPipe[0], errPipe[0], result.out, result.err);
  close(outPipe[0]);
  close(errPipe[0]);
  if (rc != 0) throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(rc));
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) throw std::runtime_error(std::string("waitpid: ") + std::strerror(errno));
  }
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

void installClientPrograms(Sandbox& sandbox) {
  sandbox.reachServersOnLocalhost();
  for (auto dir : {paths::pg10BinDir, paths::pgsqlBinDir}) {
    stdfs::path folder = sandbox.host(std::string(dir));
    stdfs::create_directories(folder);
    for (const char* name : {"pg_dump", "psql", "dropdb", "createdb", "pg_restore"}) {
      stdfs::path program = folder / (std::string(name) + ".exe");
      {
        std::ofstream out(program, std::ios::binary | std::ios::trunc);
        out << clientScript(name);
        if (!out) throw std::runtime_error("cannot write " + program.string());
      }
      stdfs::permissions(program, stdfs::perms::owner_all | stdfs::perms::group_read |
                                      stdfs::perms::group_exec | stdfs::perms::others_read |
                                      stdfs::perms::others_exec);
    }
  }
}

std::string runSql(const std::string& sql, const Server& server, const std::string& database) {
  CommandResult r = runChecked({binDir() + "/psql", "-X", "-q", "-A", "-t", "-v", "ON_ERROR_STOP=1",
                                "-p", std::to_string(server.port), "-U", server.role, "-d", database,
                                "-c", sql},
                               clientEnvironment(server));
  if (!r.out.empty() && r.out.back() == '\n') r.out.pop_back();
  return r.out;
}

void resetDatabase(DataSize size, const Server& server) {
  runChecked({scriptsDir() + "/generate.sh", std::to_string(server.port),
              size == DataSize::normal ? "normal" : "small"});
}

void stopServer(const Server& server) {
  runChecked({clusterScript(), "stop", clusterDir(), std::to_string(server.port)});
}

void startServer(const Server& server) {
  runChecked({clusterScript(), "start", clusterDir(), std::to_string(server.port)});
}

StoppedServer::StoppedServer(const Server& server) : server_(server) { stopServer(server_); }

StoppedServer::~StoppedServer() {
  try {
    startServer(server_);
  } catch (const std::exception&) {
    // A destructor must not throw; the next test that needs the server fails with its own message.
  }
}

std::string fingerprint(const Server& server) {
  return runChecked({scriptsDir() + "/fingerprint.sh", std::to_string(server.port)}).out;
}

void dumpDatabase(const std::string& hostFile, const Server& server) {
  runChecked({binDir() + "/pg_dump", "-p", std::to_string(server.port), "-U", server.role, "-Fc",
              "-f", hostFile, "tarvio"},
             clientEnvironment(server));
}

void restoreDatabase(const std::string& hostFile, const Server& server) {
  runSql("DROP DATABASE IF EXISTS tarvio WITH (FORCE)", server, "postgres");
  runSql("CREATE DATABASE tarvio", server, "postgres");
  runChecked({binDir() + "/pg_restore", "-p", std::to_string(server.port), "-U", server.role,
              "--no-owner", "-d", "tarvio", hostFile},
             clientEnvironment(server));
}

}  // namespace tarvio::test::pg
