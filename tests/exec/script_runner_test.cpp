// The script runner on a sandbox drive, with a scripted launcher standing in for the interpreter.
#include "exec/script_runner.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/paths.h"
#include "platform/filesystem.h"
#include "tests/exec/fake_processes.h"
#include "tests/support/error_text.h"
#include "tests/support/sandbox.h"
#include "tests/support/scoped_platform.h"

namespace tarvio::test {
namespace {

const std::string scriptFile(paths::scriptFile);
const std::string pgpassFile(paths::pgpassFile);
const std::string still = std::to_string(stillActive);

class ScriptRunnerTest : public ::testing::Test {
 protected:
  ScriptRunnerTest() : processes(events), scriptedProcesses([this](Platform& p) { p.processes = &processes; }) {
    sandbox.desktop.onProcessMessages = [this] { events.push_back("pump"); };
    sandbox.clock.onSleep = [this](unsigned ms) { events.push_back("sleep " + std::to_string(ms)); };
    processes.onStart = [this] { scriptAtStart = sandbox.readFile(scriptFile); };
  }

  bool exists(const std::string& drivePath) { return std::filesystem::exists(sandbox.host(drivePath)); }

  std::vector<std::string> events;
  Sandbox sandbox;
  FakeProcesses processes;
  ScopedPlatform scriptedProcesses;
  ScriptRunner runner;
  std::string scriptAtStart;
};

TEST_F(ScriptRunnerTest, WritesTheCommandTextWithOneCrLfAndStartsTheInterpreterOnIt) {
  struct Case {
    std::string text;
    std::string bytes;
  };
  const Case cases[] = {
      {"C:\\Windows\\System32\\net stop tomcat9", "C:\\Windows\\System32\\net stop tomcat9\r\n"},
      {"echo a:b> C:\\Meridano\\pgpass\r\nSET PGPASSFILE=C:\\Meridano\\pgpass\r\nprog -x > C:\\out",
       "echo a:b> C:\\Meridano\\pgpass\r\nSET PGPASSFILE=C:\\Meridano\\pgpass\r\nprog -x > C:\\out\r\n"},
  };
  sandbox.makeInstallLayout();
  for (const Case& c : cases) {
    // A longer script left over from an earlier run is replaced, not appended to.
    sandbox.writeFile(scriptFile, std::string(300, 'x'));
    processes.toStart.push_back({"cmd", {0}});
    runner.run(c.text, 250);
    EXPECT_EQ(scriptAtStart, c.bytes);
  }
  ASSERT_EQ(processes.starts.size(), 2u);
  EXPECT_EQ(processes.starts[0], "/D /C C:\\Meridano\\backup.bat");
}

TEST_F(ScriptRunnerTest, PollsInTheFixedOrderPausingBeforeTheTests) {
  struct Case {
    unsigned poll;
    std::deque<std::optional<uint32_t>> codes;
    std::vector<std::string> events;
    ScriptExit exit;  // what the caller is given
  };
  const Case cases[] = {
      // A script that ends at once still costs one pause.
      {250, {0}, {"start cmd", "pump", "exit code cmd 0", "sleep 250", "release cmd"}, 0},
      {100, {stillActive, stillActive, 9009},
       {"start cmd", "pump", "exit code cmd " + still, "sleep 100", "pump", "exit code cmd " + still,
        "sleep 100", "pump", "exit code cmd 9009", "sleep 100", "release cmd"},
       9009},
      // An exit code that cannot be read ends the wait instead of polling forever.
      {100, {std::nullopt}, {"start cmd", "pump", "exit code cmd none", "sleep 100", "release cmd"}, std::nullopt},
  };
  sandbox.makeInstallLayout();
  for (const Case& c : cases) {
    events.clear();
    processes.toStart.push_back({"cmd", c.codes});
    EXPECT_EQ(runner.run("echo x", c.poll), c.exit);
    EXPECT_EQ(events, c.events);
    EXPECT_FALSE(exists(scriptFile));
  }
}

TEST_F(ScriptRunnerTest, ProcessWideRunnerRunsTheScriptTheSameWay) {
  sandbox.makeInstallLayout();
  processes.toStart.push_back({"cmd", {stillActive, 0}});
  runScript("echo x", 100);
  EXPECT_EQ(scriptAtStart, "echo x\r\n");
  EXPECT_EQ(events, (std::vector<std::string>{"start cmd", "pump", "exit code cmd " + still, "sleep 100",
                                              "pump", "exit code cmd 0", "sleep 100", "release cmd"}));
  EXPECT_FALSE(exists(scriptFile));
}

TEST_F(ScriptRunnerTest, DeletesThePasswordFileWhetherOrNotTheScriptWroteIt) {
  sandbox.makeInstallLayout();
  for (bool leftOver : {true, false}) {
    if (leftOver) sandbox.writeFile(pgpassFile, "localhost:5432:tarvio:postgres:x\r\n");
    processes.toStart.push_back({"cmd", {0}});
    runner.run("echo x", 100);
    EXPECT_FALSE(exists(scriptFile));
    EXPECT_FALSE(exists(pgpassFile));
  }
}

TEST_F(ScriptRunnerTest, FailedStartStillDeletesBothFilesWithoutWaiting) {
  sandbox.makeInstallLayout();
  sandbox.writeFile(pgpassFile, "secret\r\n");
  EXPECT_EQ(runner.run("echo x", 250), std::nullopt);  // no process to start: the start fails
  EXPECT_EQ(events, std::vector<std::string>{"start failed"});
  EXPECT_FALSE(exists(scriptFile));
  EXPECT_FALSE(exists(pgpassFile));
}

TEST_F(ScriptRunnerTest, MissingVendorRootRaisesTheFileCreationErrorAndStartsNothing) {
  // No install layout: C:\Meridano does not exist.
  processes.toStart.push_back({"cmd", {0}});
  std::string message = errorText<FileError>([&] { runner.run("echo x", 250); });
  std::string prefix = "Cannot create file \"C:\\Meridano\\backup.bat\". ";
  EXPECT_EQ(message.substr(0, prefix.size()), prefix) << message;
  EXPECT_GT(message.size(), prefix.size()) << "the system's text is missing";
  EXPECT_TRUE(processes.starts.empty());
  EXPECT_TRUE(events.empty());
}

TEST_F(ScriptRunnerTest, ScriptFileThatCannotBeCreatedLeavesThePasswordFileAlone) {
  sandbox.makeInstallLayout();
  sandbox.writeFile(pgpassFile, "secret\r\n");
  std::filesystem::create_directory(sandbox.host(scriptFile));  // a folder where the script goes
  EXPECT_THROW(runner.run("echo x", 250), FileError);
  EXPECT_TRUE(processes.starts.empty());
  EXPECT_EQ(sandbox.readFile(pgpassFile), "secret\r\n");
}

// Closing the window during a wait: the interpreter is still waited for to its end, without window
// messages, and only then are its files deleted, so that it can read its script to the last line.
TEST_F(ScriptRunnerTest, ClosingTheWindowWaitsForTheScriptToEndBeforeDeletingItsFiles) {
  sandbox.makeInstallLayout();
  sandbox.desktop.onProcessMessages = [this] {
    events.push_back("pump");
    if (sandbox.desktop.pumps == 2) sandbox.desktop.isTerminated = true;
  };
  std::vector<bool> scriptPresentAtPauses;
  sandbox.clock.onSleep = [&](unsigned ms) {
    events.push_back("sleep " + std::to_string(ms));
    scriptPresentAtPauses.push_back(exists(scriptFile) && exists(pgpassFile));
  };
  processes.toStart.push_back({"cmd", {stillActive, stillActive, stillActive, 0}});
  sandbox.writeFile(pgpassFile, "secret\r\n");
  runner.run("echo x", 250);
  EXPECT_EQ(events, (std::vector<std::string>{"start cmd", "pump", "exit code cmd " + still, "sleep 250",
                                              "pump", "exit code cmd " + still, "sleep 250",
                                              "exit code cmd " + still, "sleep 250", "exit code cmd 0",
                                              "release cmd"}));
  EXPECT_EQ(scriptPresentAtPauses, (std::vector<bool>{true, true, true}));
  EXPECT_FALSE(exists(scriptFile));
  EXPECT_FALSE(exists(pgpassFile));
  EXPECT_FALSE(runner.refusesScripts());
}

// Once the window has been closed, each later script is also waited for to its end before its files
// are deleted and the next one starts.
TEST_F(ScriptRunnerTest, AfterClosingEachScriptRunsToItsEnd) {
  sandbox.makeInstallLayout();
  sandbox.desktop.isTerminated = true;
  processes.toStart.push_back({"drop", {stillActive, 0}});
  std::vector<bool> scriptPresentAtPauses;
  sandbox.clock.onSleep = [&](unsigned ms) {
    events.push_back("sleep " + std::to_string(ms));
    scriptPresentAtPauses.push_back(exists(scriptFile));
  };
  runner.run("echo 2", 100);
  EXPECT_EQ(events, (std::vector<std::string>{"start drop", "exit code drop " + still, "sleep 100",
                                              "exit code drop 0", "release drop"}));
  EXPECT_EQ(scriptPresentAtPauses, (std::vector<bool>{true}));
  EXPECT_EQ(scriptAtStart, "echo 2\r\n");
  EXPECT_FALSE(exists(scriptFile));
  EXPECT_FALSE(runner.refusesScripts());
}

// An interpreter that never ends during shutdown: the runner gives up after its limit and from
// then on starts no script and touches no file.
TEST_F(ScriptRunnerTest, AfterClosingGivesUpOnAnInterpreterThatNeverEnds) {
  ScriptRunner limited(300);
  sandbox.makeInstallLayout();
  sandbox.desktop.isTerminated = true;
  processes.toStart.push_back({"hung", {}});
  EXPECT_EQ(limited.run("echo 1", 100), std::nullopt);
  EXPECT_EQ(events, (std::vector<std::string>{"start hung", "exit code hung " + still, "sleep 100",
                                              "exit code hung " + still, "sleep 100", "exit code hung " + still,
                                              "sleep 100", "exit code hung " + still, "release hung"}));
  EXPECT_TRUE(limited.refusesScripts());
  EXPECT_FALSE(exists(scriptFile)) << "its own files are still deleted";

  events.clear();
  sandbox.writeFile(pgpassFile, "secret\r\n");
  processes.toStart.push_back({"next", {0}});
  EXPECT_EQ(limited.run("echo 2", 100), std::nullopt);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(processes.starts.size(), 1u);
  EXPECT_FALSE(exists(scriptFile));
  EXPECT_TRUE(exists(pgpassFile));
}

}  // namespace
}  // namespace tarvio::test
