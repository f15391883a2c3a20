// The POSIX process launcher with a tiny shell script standing in for the command interpreter.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

#include "platform/native.h"
#include "tests/platform/temp_drive.h"

namespace tarvio {
namespace {

// Polls until the process has ended; the bound only keeps a broken launcher from hanging the test.
std::optional<uint32_t> waitForExit(RunningProcess& process) {
  for (int i = 0; i < 1000; ++i) {
    auto code = process.exitCode();
    if (code != stillActive) return code;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return stillActive;
}

bool waitFor(const std::function<bool()>& condition) {
  for (int i = 0; i < 1000; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
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
                "cat > \"$d/stdin\"\n"
                "while [ -e \"$d/hold\" ]; do sleep 0.02; done\n"
                "case \"$(cat \"$d/code\" 2>/dev/null)\" in\n"
                "  kill) kill -9 $$ ;;\n"
                "  *) touch \"$d/done\"; exit $(cat \"$d/code\" 2>/dev/null || echo 0) ;;\n"
                "esac\n");
    chmod(drive.host("interpreter.sh").c_str(), 0755);
    launcher = makeNativeProcessLauncher(drive.host("").string(), drive.host("interpreter.sh").string());
  }

  test::TempDrive drive;
  std::unique_ptr<ProcessLauncher> launcher;
};

TEST_F(PosixProcessTest, RunsTheInterpreterForCmdExeAndReturnsItsExitCode) {
  drive.write("code", "3");
  auto process = launcher->startHidden("cmd.exe", "/C C:\\Meridano\\backup.bat");
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(waitForExit(*process), 3u);
  EXPECT_EQ(process->exitCode(), 3u) << "the code stays readable";
  EXPECT_EQ(drive.read("args"), "/C\nC:\\Meridano\\backup.bat\n");
  EXPECT_EQ(drive.read("cwd"), std::filesystem::current_path().string() + "\n");
  EXPECT_EQ(drive.read("stdin"), "");
}

TEST_F(PosixProcessTest, StillActiveWhileItRuns) {
  drive.write("hold", "");
  auto process = launcher->startHidden("CMD.EXE", "/C x.bat");
  ASSERT_NE(process, nullptr);
  ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(drive.host("stdin")); }));
  EXPECT_EQ(process->exitCode(), stillActive);
  std::filesystem::remove(drive.host("hold"));
  EXPECT_EQ(waitForExit(*process), 0u);
}

TEST_F(PosixProcessTest, ASignalGivesANonZeroCode) {
  drive.write("code", "kill");
  auto process = launcher->startHidden("cmd.exe", "/C x.bat");
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(waitForExit(*process), 128u + SIGKILL);
}

TEST_F(PosixProcessTest, OtherProgramsAreFoundOnThePath) {
  auto process = launcher->startHidden("false", "");
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(waitForExit(*process), 1u);
}

TEST_F(PosixProcessTest, FailureToStartGivesNull) {
  auto missing = makeNativeProcessLauncher(drive.host("").string(), drive.host("no-such-interpreter").string());
  EXPECT_EQ(missing->startHidden("cmd.exe", "/C x.bat"), nullptr);
  auto none = makeNativeProcessLauncher(drive.host("").string(), "");
  EXPECT_EQ(none->startHidden("cmd.exe", "/C x.bat"), nullptr);
  EXPECT_EQ(launcher->startHidden("no-such-program-tarvio.exe", ""), nullptr);
}

TEST_F(PosixProcessTest, DestroyingTheHandleNeitherKillsNorLeavesAZombie) {
  drive.write("hold", "");
  auto process = launcher->startHidden("cmd.exe", "/C x.bat");
  ASSERT_NE(process, nullptr);
  ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(drive.host("stdin")); }));
  pid_t pid = std::stoi(drive.read("pid"));
  process.reset();
  std::filesystem::remove(drive.host("hold"));
  EXPECT_TRUE(waitFor([&] { return std::filesystem::exists(drive.host("done")); })) << "it ran to its end";
  // kill(pid, 0) still succeeds for a zombie; ESRCH means the process has been reaped.
  EXPECT_TRUE(waitFor([&] { return kill(pid, 0) != 0 && errno == ESRCH; }));
}

}  // namespace
}  // namespace tarvio
