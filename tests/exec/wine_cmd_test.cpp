// The script runner on Windows: the same script bytes run by the real cmd.exe through the Win32
// file system and process launcher give the effects the scripts rely on.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "common/paths.h"
#include "exec/commands.h"
#include "exec/script_runner.h"
#include "platform/native.h"
#include "platform/win32/win32_codepages.h"
#include "tests/support/error_text.h"
#include "tests/support/fake_desktop.h"
#include "tests/support/host_file.h"
#include "tests/support/scoped_platform.h"

namespace tarvio::test {
namespace {

bool exists(std::string_view path) { return GetFileAttributesA(std::string(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

// The probe program is built beside this test.
std::string probePath() {
  char self[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string path(self, n);
  return path.substr(0, path.find_last_of("\\/") + 1) + "exec_env_probe.exe";
}

class WineScriptRunnerTest : public ::testing::Test {
 protected:
  WineScriptRunnerTest()
      : files(makeNativeFileSystem("")), codes(makeNativeCodePages()), processes(makeNativeProcessLauncher("", "")) {
    clock.onSleep = [](unsigned ms) { Sleep(ms); };
    createdVendorRoot = CreateDirectoryA(std::string(paths::vendorRoot).c_str(), nullptr) != 0;
    CreateDirectoryA(work.c_str(), nullptr);
    EXPECT_TRUE(CopyFileA(probePath().c_str(), probe.c_str(), FALSE)) << probePath();
  }
  // Runs the scripts with these code pages in place of the system's.
  void useCodePages(std::unique_ptr<CodePages> pages) {
    otherCodes = std::move(pages);
    withOtherCodes.emplace([this](Platform& p) { p.codePages = otherCodes.get(); });
  }

  ~WineScriptRunnerTest() override {
    for (const char* name : {"probe.exe", "pg_dump.exe", "out.backup", "bare.txt", "out.txt"}) {
      DeleteFileA((work + "\\" + name).c_str());
    }
    RemoveDirectoryA(work.c_str());
    if (createdVendorRoot) RemoveDirectoryA(std::string(paths::vendorRoot).c_str());
  }

  std::unique_ptr<FileSystem> files;
  std::unique_ptr<CodePages> codes;
  std::unique_ptr<ProcessLauncher> processes;
  FakeDesktop desktop;
  FakeClock clock;
  ScopedPlatform installed{Platform{files.get(), codes.get(), processes.get(), &desktop, &clock}};
  std::unique_ptr<CodePages> otherCodes;
  std::optional<ScopedPlatform> withOtherCodes;
  bool createdVendorRoot = false;
  const std::string work = "C:\\Meridano\\exec-test";
  const std::string probe = work + "\\probe.exe";
  ScriptRunner runner;
};

TEST_F(WineScriptRunnerTest, EchoSetAndRedirectionGiveThePasswordLineTheVariableAndTheOutput) {
  std::string out = work + "\\out.backup";
  writeHostFile(out, std::string(500, 'z'));  // truncated by the redirection
  runner.run("echo localhost:5432:tarvio:postgres:plovertin> C:\\Meridano\\pgpass\r\n"
             "SET PGPASSFILE=C:\\Meridano\\pgpass\r\n" +
                 probe + " PGPASSFILE > " + out,
             250);
  // The probe wrote the variable and then the password file as the echo line left it:
  // CR LF, no blank before the line break.
  EXPECT_EQ(readHostFile(out), "PGPASSFILE=C:\\Meridano\\pgpass\r\nlocalhost:5432:tarvio:postgres:plovertin\r\n");
  EXPECT_FALSE(exists(paths::pgpassFile));
  EXPECT_FALSE(exists(paths::scriptFile));
  EXPECT_GE(desktop.pumps, 1);
  EXPECT_EQ(clock.sleeps.front(), 250u);
}

// A restore's file dialog leaves the current folder where the chosen file lies, say Downloads.
// The second dump attempt names pg_dump.exe by its bare name: one lying there must never run.
TEST_F(WineScriptRunnerTest, APgDumpInTheCurrentFolderNeverRuns) {
  ASSERT_TRUE(CopyFileA(probe.c_str(), (work + "\\pg_dump.exe").c_str(), FALSE));
  std::string record = work + "\\ran.txt", marker = work + "\\done.txt";
  std::string backupDir(paths::backupDir);
  bool createdInstallRoot = CreateDirectoryA(std::string(paths::installRoot).c_str(), nullptr) != 0;
  bool createdBackupDir = CreateDirectoryA(backupDir.c_str(), nullptr) != 0;
  SetEnvironmentVariableA("TARVIO_PROBE_RECORD", record.c_str());
  char saved[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, saved);
  SetCurrentDirectoryA(work.c_str());
  runner.run(commands::dumpAttempt(2) + "\r\necho done> " + marker, 250);
  SetCurrentDirectoryA(saved);
  SetEnvironmentVariableA("TARVIO_PROBE_RECORD", nullptr);

  EXPECT_EQ(readHostFile(marker), "done\r\n") << "the script did not run to its end";
  EXPECT_FALSE(exists(record)) << "the planted program ran: " << readHostFile(record);
  DeleteFileA(record.c_str());
  DeleteFileA(marker.c_str());
  DeleteFileA(std::string(paths::dumpFile).c_str());
  if (createdBackupDir) RemoveDirectoryA(backupDir.c_str());
  if (createdInstallRoot) RemoveDirectoryA(std::string(paths::installRoot).c_str());
}

TEST_F(WineScriptRunnerTest, PostgresSettingsOfTheMachineDoNotReachTheScript) {
  std::string out = work + "\\out.txt";
  SetEnvironmentVariableA("PGHOST", "db.elsewhere.invalid");
  SetEnvironmentVariableA("pgsslmode", "disable");
  runner.run(probe + " PGHOST > " + out + "\r\n" + probe + " PGSSLMODE >> " + out, 100);
  SetEnvironmentVariableA("PGHOST", nullptr);
  SetEnvironmentVariableA("pgsslmode", nullptr);
  EXPECT_EQ(readHostFile(out), "PGHOST unset\r\nPGSSLMODE unset\r\n");
}

TEST_F(WineScriptRunnerTest, ScriptFileThatCannotBeCreatedGivesTheFileCreationError) {
  std::string script(paths::scriptFile);
  ASSERT_TRUE(CreateDirectoryA(script.c_str(), nullptr));  // a folder where the script goes
  std::string message = errorText<FileError>([&] { runner.run("echo x", 250); });
  RemoveDirectoryA(script.c_str());
  std::string prefix = "Cannot create file \"C:\\Meridano\\backup.bat\". ";
  EXPECT_EQ(message.substr(0, prefix.size()), prefix) << message;
  EXPECT_GT(message.size(), prefix.size()) << "the system's text is missing";
  EXPECT_EQ(desktop.pumps, 0);
}

TEST_F(WineScriptRunnerTest, Utf8AsTheAnsiPageStillWritesAndRunsTheScript) {
  useCodePages(makeWin32CodePages(CP_UTF8, CP_UTF8));
  runner.run("echo feito> " + work + "\\out.txt", 100);
  EXPECT_EQ(readHostFile(work + "\\out.txt"), "feito\r\n");
  EXPECT_FALSE(exists(paths::scriptFile));
}

TEST_F(WineScriptRunnerTest, AScriptThatCannotBeConvertedRaisesAnErrorAndRunsNothing) {
  useCodePages(makeWin32CodePages(12345, 12345));  // a code page the system does not have
  std::string message = errorText<std::runtime_error>([&] { runner.run("echo feito> " + work + "\\out.txt", 100); });
  EXPECT_NE(message.find("code page 12345"), std::string::npos) << message;
  EXPECT_FALSE(exists(paths::scriptFile));
  EXPECT_FALSE(exists(work + "\\out.txt"));
  EXPECT_EQ(desktop.pumps, 0);
}

}  // namespace
}  // namespace tarvio::test
