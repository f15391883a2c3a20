// The Win32 process launcher with the real command interpreter (under Wine in the test run).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "platform/native.h"
#include "tests/platform/temp_drive.h"

namespace tarvio {
namespace {

bool waitFor(const std::function<bool()>& condition) {
  for (int i = 0; i < 2000; ++i) {  // a bound against hanging, not a timing check
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

class Win32ProcessTest : public ::testing::Test {
 protected:
  test::TempDrive drive;
  std::unique_ptr<ProcessLauncher> launcher = makeNativeProcessLauncher("", "");
};

TEST_F(Win32ProcessTest, CmdRunsTheScriptAndGivesItsExitCode) {
  drive.write("backup.bat", "echo feito> " + drive.path("out.txt") + "\r\nexit /b 3\r\n");
  auto process = launcher->startHidden("cmd.exe", "/C " + drive.path("backup.bat"));
  ASSERT_NE(process, nullptr);
  std::optional<uint32_t> code;
  ASSERT_TRUE(waitFor([&] { return (code = process->exitCode()) != stillActive; }));
  EXPECT_EQ(code, 3u);
  EXPECT_EQ(drive.read("out.txt"), "feito\r\n");
}

TEST_F(Win32ProcessTest, StillActiveWhileTheScriptRuns) {
  drive.write("hold", "");
  drive.write("wait.bat", "echo x> " + drive.path("started") + "\r\n:wait\r\nif exist " + drive.path("hold") +
                              " goto wait\r\nexit /b 0\r\n");
  auto process = launcher->startHidden("cmd.exe", "/C " + drive.path("wait.bat"));
  ASSERT_NE(process, nullptr);
  ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(drive.host("started")); }));
  EXPECT_EQ(process->exitCode(), stillActive);
  std::filesystem::remove(drive.host("hold"));
  std::optional<uint32_t> code;
  ASSERT_TRUE(waitFor([&] { return (code = process->exitCode()) != stillActive; }));
  EXPECT_EQ(code, 0u);
}

}  // namespace
}  // namespace tarvio
