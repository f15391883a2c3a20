// The script runner with the real POSIX file system and process launcher, running its scripts
// through the command interpreter stand-in, with tarvio-record standing in for the programs.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "common/paths.h"
#include "exec/commands.h"
#include "exec/script_runner.h"
#include "tests/support/sandbox.h"

namespace tarvio::test {
namespace {

namespace stdfs = std::filesystem;

class RunnerWithStandinTest : public ::testing::Test {
 protected:
  RunnerWithStandinTest() : sandbox(TARVIO_CMD_STANDIN) {
    sandbox.makeInstallLayout();
    // The pauses are real but short: the interpreter is a real process.
    sandbox.clock.onSleep = [](unsigned) { std::this_thread::sleep_for(std::chrono::milliseconds(5)); };
  }
  void installRecorder(const std::string& drivePath) {
    stdfs::path target = sandbox.host(drivePath);
    stdfs::create_directories(target.parent_path());
    stdfs::copy_file(TARVIO_RECORD_STANDIN, target, stdfs::copy_options::overwrite_existing);
  }
  bool exists(std::string_view drivePath) { return stdfs::exists(sandbox.host(std::string(drivePath))); }

  Sandbox sandbox;
  ScriptRunner runner;
};

TEST_F(RunnerWithStandinTest, DumpAttemptWritesThePasswordFileSetsTheVariableAndRedirects) {
  installRecorder("C:\\Meridano\\Tarvio\\pg10\\bin\\pg_dump.exe");
  stdfs::create_directories(sandbox.host(std::string(paths::backupDir)));
  setenv("TARVIO_RECORD_VARIABLE", "PGPASSFILE", 1);
  runner.run(commands::dumpAttempt(1), 250);
  unsetenv("TARVIO_RECORD_VARIABLE");
  EXPECT_EQ(sandbox.readFile(std::string(paths::dumpFile)),
            "pg_dump.exe -U postgres -p 5432 -Fc tarvio PGPASSFILE=" + sandbox.root() + "/Meridano/pgpass\n");
  EXPECT_FALSE(exists(paths::pgpassFile));
  EXPECT_FALSE(exists(paths::scriptFile));
  EXPECT_GE(sandbox.desktop.pumps, 1);
  ASSERT_FALSE(sandbox.clock.sleeps.empty());
  EXPECT_EQ(sandbox.clock.sleeps.front(), 250u);
}

TEST_F(RunnerWithStandinTest, TheMachinesPostgresSettingsDoNotReachTheDump) {
  sandbox.reachServersOnLocalhost();  // as the console program's scripts do
  installRecorder("C:\\Meridano\\Tarvio\\pg10\\bin\\pg_dump.exe");
  stdfs::create_directories(sandbox.host(std::string(paths::backupDir)));
  struct Case {
    const char* variable;
    const char* machineValue;
    const char* seen;
  };
  // PGHOST is the console program's own, as libpq's default on Windows; the rest are gone.
  for (const Case& c : {Case{"PGHOST", "db.elsewhere.invalid", "PGHOST=localhost"}, Case{"PGPORT", "6543", "PGPORT unset"},
                        Case{"PGUSER", "intruder", "PGUSER unset"}, Case{"PGSERVICE", "other", "PGSERVICE unset"}}) {
    setenv(c.variable, c.machineValue, 1);
    setenv("TARVIO_RECORD_VARIABLE", c.variable, 1);
    runner.run(commands::dumpAttempt(1), 250);
    unsetenv("TARVIO_RECORD_VARIABLE");
    unsetenv(c.variable);
    EXPECT_EQ(sandbox.readFile(std::string(paths::dumpFile)),
              std::string("pg_dump.exe -U postgres -p 5432 -Fc tarvio ") + c.seen + "\n");
  }
}

TEST_F(RunnerWithStandinTest, ScriptsRunOneAfterTheOtherEachToItsEnd) {
  installRecorder("C:\\Windows\\System32\\taskkill.exe");
  installRecorder("C:\\Windows\\System32\\net");
  std::string record = sandbox.root() + "/record.txt";
  setenv("TARVIO_RECORD_FILE", record.c_str(), 1);
  for (const auto& text : commands::stopServerScripts()) runner.run(text, 100);
  unsetenv("TARVIO_RECORD_FILE");
  EXPECT_EQ(sandbox.readFile(record), "taskkill.exe /f /im Tarvio.exe\n"
                                      "taskkill.exe /f /im Tarvio_Server_Config.exe\n"
                                      "taskkill.exe /f /im tomcat9.exe\n"
                                      "net stop tomcat9\n");
}

TEST_F(RunnerWithStandinTest, MissingProgramStillCleansUp) {
  sandbox.writeFile(std::string(paths::pgpassFile), "left over\r\n");
  runner.run(commands::dropDatabase(), 100);  // no dropdb installed
  EXPECT_FALSE(exists(paths::pgpassFile));
  EXPECT_FALSE(exists(paths::scriptFile));
}

}  // namespace
}  // namespace tarvio::test
