// The Win32 process launcher with the real command interpreter (under Wine in the test run).
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/native.h"
#include "tests/platform/temp_drive.h"
#include "tests/support/wait_until.h"

namespace tarvio {
namespace {

// The folder of this test program, without a trailing backslash, as "cd" prints it.
std::string ownFolder() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string text(path, n);
  return text.substr(0, text.find_last_of("\\/"));
}

class Win32ProcessTest : public ::testing::Test {
 protected:
  // Starts the interpreter on a script and waits for its end; its exit code.
  std::optional<uint32_t> run(ProcessLauncher& with, const std::string& parameters) {
    auto process = with.startInterpreter(parameters);
    if (!process) return std::nullopt;
    std::optional<uint32_t> code;
    EXPECT_TRUE(test::waitUntil([&] { return (code = process->exitCode()) != stillActive; }));
    return code;
  }

  test::TempDrive drive;
  std::unique_ptr<ProcessLauncher> launcher = makeNativeProcessLauncher("", "");
};

TEST_F(Win32ProcessTest, CmdRunsTheScriptAndGivesItsExitCode) {
  drive.write("backup.bat", "echo feito> " + drive.path("out.txt") + "\r\nexit /b 3\r\n");
  EXPECT_EQ(run(*launcher, "/D /C " + drive.path("backup.bat")), 3u);
  EXPECT_EQ(drive.read("out.txt"), "feito\r\n");
}

TEST_F(Win32ProcessTest, StillActiveWhileTheScriptRuns) {
  drive.write("hold", "");
  drive.write("wait.bat", "echo x> " + drive.path("started") + "\r\n:wait\r\nif exist " + drive.path("hold") +
                              " goto wait\r\nexit /b 0\r\n");
  auto process = launcher->startInterpreter("/D /C " + drive.path("wait.bat"));
  ASSERT_NE(process, nullptr);
  ASSERT_TRUE(test::waitUntil([&] { return std::filesystem::exists(drive.host("started")); }));
  EXPECT_EQ(process->exitCode(), stillActive);
  std::filesystem::remove(drive.host("hold"));
  std::optional<uint32_t> code;
  ASSERT_TRUE(test::waitUntil([&] { return (code = process->exitCode()) != stillActive; }));
  EXPECT_EQ(code, 0u);
}

TEST_F(Win32ProcessTest, CmdStartsInTheProgramsOwnFolderNotTheCurrentOne) {
  drive.write("where.bat", "cd> " + drive.path("cwd.txt") + "\r\n");
  char saved[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, saved);
  ASSERT_TRUE(SetCurrentDirectoryA(drive.path("").c_str()));  // as a file dialog leaves it
  auto code = run(*launcher, "/D /C " + drive.path("where.bat"));
  SetCurrentDirectoryA(saved);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(drive.read("cwd.txt"), ownFolder() + "\r\n");
}

TEST_F(Win32ProcessTest, TheEnvironmentHasNoPostgresSettingsOfTheMachineButTheLaunchersOwn) {
  struct Variable {
    const char* name;
    const char* value;
    const char* seen;  // the line "set" prints for it, or nullptr for none
  };
  const Variable variables[] = {
      {"PGHOST", "db.elsewhere.invalid", "PGHOST=localhost"},  // the launcher's own setting wins
      {"PGUSER", "intruder", nullptr},
      {"PGPASSWORD", "secret", nullptr},
      {"pgsslmode", "disable", nullptr},  // names are not case-sensitive on Windows
      {"PgServiceFile", "C:\\x", nullptr},
      {"TARVIO_KEPT", "yes", "TARVIO_KEPT=yes"},
  };
  for (const auto& v : variables) SetEnvironmentVariableA(v.name, v.value);
  auto withSettings = makeNativeProcessLauncher("", "", {{"PGHOST", "localhost"}, {"TARVIO_SETTING", "given"}});
  drive.write("env.bat", "set> " + drive.path("env.txt") + "\r\n");
  auto code = run(*withSettings, "/D /C " + drive.path("env.bat"));
  for (const auto& v : variables) SetEnvironmentVariableA(v.name, nullptr);
  EXPECT_EQ(code, 0u);

  std::string env = "\n";
  env += drive.read("env.txt");
  auto has = [&](const std::string& entry) {
    std::string line = "\n";
    line += entry;
    line += "\r\n";
    return env.find(line) != std::string::npos;
  };
  for (const auto& v : variables) {
    std::string inherited = std::string(v.name) + "=" + v.value;
    if (v.seen) {
      EXPECT_TRUE(has(v.seen)) << v.seen;
    }
    if (!v.seen || inherited != v.seen) {
      EXPECT_FALSE(has(inherited)) << v.name << " reached the interpreter";
    }
  }
  EXPECT_TRUE(has("TARVIO_SETTING=given"));
}

TEST_F(Win32ProcessTest, TheAutoRunCommandsOfTheRegistryDoNotRun) {
  // cmd.exe runs HKCU\Software\Microsoft\Command Processor\AutoRun before the script unless /D.
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Command Processor", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  char previous[4096];
  DWORD previousSize = sizeof previous, previousType = 0;
  bool hadOne = RegQueryValueExA(key, "AutoRun", nullptr, &previousType, reinterpret_cast<BYTE*>(previous),
                                 &previousSize) == ERROR_SUCCESS;
  std::string autoRun = "echo autorun> " + drive.path("autorun.txt");
  RegSetValueExA(key, "AutoRun", 0, REG_SZ, reinterpret_cast<const BYTE*>(autoRun.c_str()),
                 static_cast<DWORD>(autoRun.size() + 1));
  drive.write("script.bat", "echo feito> " + drive.path("out.txt") + "\r\n");
  // Without /D the AutoRun command runs where the system honours it; only then does its absence
  // below show anything.
  auto withAutoRun = run(*launcher, "/C " + drive.path("script.bat"));
  bool honoured = std::filesystem::exists(drive.host("autorun.txt"));
  std::filesystem::remove(drive.host("autorun.txt"));
  std::filesystem::remove(drive.host("out.txt"));
  auto code = run(*launcher, "/D /C " + drive.path("script.bat"));
  if (hadOne) {
    RegSetValueExA(key, "AutoRun", 0, previousType, reinterpret_cast<const BYTE*>(previous), previousSize);
  } else {
    RegDeleteValueA(key, "AutoRun");
  }
  RegCloseKey(key);
  EXPECT_EQ(withAutoRun, 0u);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(drive.read("out.txt"), "feito\r\n");
  if (!honoured) GTEST_SKIP() << "this system's cmd.exe runs no AutoRun commands";
  EXPECT_FALSE(std::filesystem::exists(drive.host("autorun.txt")));
}

}  // namespace
}  // namespace tarvio
