// The POSIX process launcher with a tiny shell script standing in for the command interpreter.
#include <stdlib.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/native.h"
#include "tests/platform/temp_drive.h"
#include "tests/support/wait_until.h"

namespace tarvio {
namespace {

// The process's exit code once it has ended; stillActive if it never does.
std::optional<uint32_t> waitForExit(RunningProcess& process) {
  std::optional<uint32_t> code;
  test::waitUntil([&] { return (code = process.exitCode()) != stillActive; });
  return code;
}

class PosixProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Records what it was given, waits while "hold" exists, and ends with the code in "code".
    drive.write("interpreter.sh",
                "#!/bin/sh\n"
                "d=\"$TARVIO_DRIVE_C\"\n"
                "echo $$ > \"$d/pid\"\n"
                "printf '%s\\n' \"$@\" > \"$d/args\"\n"
                "pwd > \"$d/cwd\"\n"
                "env > \"$d/env\"\n"
                "cat > \"$d/stdin\"\n"
                "while [ -e \"$d/hold\" ]; do sleep 0.02; done\n"
                "case \"$(cat \"$d/code\" 2>/dev/null)\" in\n"
                "  kill) kill -9 $$ ;;\n"
                "  *) touch \"$d/done\"; exit $(cat \"$d/code\" 2>/dev/null || echo 0) ;;\n"
                "esac\n");
    chmod(drive.host("interpreter.sh").c_str(), 0755);
    launcher = makeNativeProcessLauncher(drive.host("").string(), drive.host("interpreter.sh").string(),
                                         {{"PGHOST", "localhost"}, {"TARVIO_SETTING", "given"}});
  }

  // The folder of this test program.
  static std::string ownFolder() { return std::filesystem::read_symlink("/proc/self/exe").parent_path().string(); }

  test::TempDrive drive;
  std::unique_ptr<ProcessLauncher> launcher;
};

TEST_F(PosixProcessTest, RunsTheInterpreterInTheProgramsOwnFolderAndReturnsItsExitCode) {
  drive.write("code", "3");
  // The current folder, which the user's file dialog may have changed, is not where it starts.
  auto saved = std::filesystem::current_path();
  std::filesystem::current_path(drive.host(""));
  auto process = launcher->startInterpreter("/D /C C:\\Meridano\\backup.bat");
  std::filesystem::current_path(saved);
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(waitForExit(*process), 3u);
  EXPECT_EQ(process->exitCode(), 3u) << "the code stays readable";
  EXPECT_EQ(drive.read("args"), "/D\n/C\nC:\\Meridano\\backup.bat\n");
  EXPECT_EQ(drive.read("cwd"), ownFolder() + "\n");
  EXPECT_EQ(drive.read("stdin"), "");
}

TEST_F(PosixProcessTest, TheEnvironmentHasNoPostgresSettingsOfTheMachineButTheLaunchersOwn) {
  struct Variable {
    const char* name;
    const char* value;
    const char* seen;  // the entry the interpreter has, or nullptr for none
  };
  const Variable variables[] = {
      {"PGHOST", "db.elsewhere.invalid", "PGHOST=localhost"},  // the launcher's own setting wins
      {"PGUSER", "intruder", nullptr},
      {"PGPASSWORD", "secret", nullptr},
      {"PGSSLMODE", "disable", nullptr},
      {"PGSERVICEFILE", "/tmp/x", nullptr},
      {"TARVIO_DRIVE_C", "/somewhere/else", nullptr},  // replaced by the launcher's drive
      {"TARVIO_KEPT", "yes", "TARVIO_KEPT=yes"},
      {"pgnot_libpq", "kept", "pgnot_libpq=kept"},  // names are case-sensitive here, and libpq's are upper case
  };
  for (const auto& v : variables) setenv(v.name, v.value, 1);
  auto process = launcher->startInterpreter("/D /C x.bat");
  for (const auto& v : variables) unsetenv(v.name);
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(waitForExit(*process), 0u);

  std::string env = "\n" + drive.read("env");
  auto has = [&](const std::string& entry) { return env.find("\n" + entry + "\n") != std::string::npos; };
  for (const auto& v : variables) {
    std::string inherited = std::string(v.name) + "=" + v.value;
    if (v.seen) {
      EXPECT_TRUE(has(v.seen)) << v.seen;
    }
    if (!v.seen || inherited != v.seen) {
      EXPECT_FALSE(has(inherited)) << v.name << " reached the interpreter";
    }
  }
  EXPECT_TRUE(has("TARVIO_DRIVE_C=" + drive.host("").string()));
  EXPECT_TRUE(has("TARVIO_SETTING=given"));
}

TEST_F(PosixProcessTest, StillActiveWhileItRuns) {
  drive.write("hold", "");
  auto process = launcher->startInterpreter("/D /C x.bat");
  ASSERT_NE(process, nullptr);
  ASSERT_TRUE(test::waitUntil([&] { return std::filesystem::exists(drive.host("stdin")); }));
  EXPECT_EQ(process->exitCode(), stillActive);
  std::filesystem::remove(drive.host("hold"));
  EXPECT_EQ(waitForExit(*process), 0u);
}

TEST_F(PosixProcessTest, ASignalGivesANonZeroCode) {
  drive.write("code", "kill");
  auto process = launcher->startInterpreter("/D /C x.bat");
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(waitForExit(*process), 128u + SIGKILL);
}

TEST_F(PosixProcessTest, FailureToStartGivesNull) {
  auto missing = makeNativeProcessLauncher(drive.host("").string(), drive.host("no-such-interpreter").string());
  EXPECT_EQ(missing->startInterpreter("/D /C x.bat"), nullptr);
  auto none = makeNativeProcessLauncher(drive.host("").string(), "");
  EXPECT_EQ(none->startInterpreter("/D /C x.bat"), nullptr);
  // A bare name is never looked for along the search path, even where a program of that name is.
  auto bare = makeNativeProcessLauncher(drive.host("").string(), "sh");
  EXPECT_EQ(bare->startInterpreter("-c true"), nullptr);
}

TEST_F(PosixProcessTest, DestroyingTheHandleNeitherKillsNorLeavesAZombie) {
  drive.write("hold", "");
  auto process = launcher->startInterpreter("/D /C x.bat");
  ASSERT_NE(process, nullptr);
  ASSERT_TRUE(test::waitUntil([&] { return std::filesystem::exists(drive.host("stdin")); }));
  pid_t pid = std::stoi(drive.read("pid"));
  process.reset();
  std::filesystem::remove(drive.host("hold"));
  EXPECT_TRUE(test::waitUntil([&] { return std::filesystem::exists(drive.host("done")); })) << "it ran to its end";
  // kill(pid, 0) still succeeds for a zombie; ESRCH means the process has been reaped.
  EXPECT_TRUE(test::waitUntil([&] { return kill(pid, 0) != 0 && errno == ESRCH; }));
}

}  // namespace
}  // namespace tarvio
