// The console program's commands: the backup and the steps after it, each only when the one before it
// succeeded, all under one hold of the run lock, each recorded in the history.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/unattended_runs.h"
#include "common/paths.h"
#include "history/run_history.h"
#include "platform/native.h"
#include "tests/support/drill_standins.h"
#include "tests/support/main_window.h"

namespace tarvio {
namespace {

namespace stdfs = std::filesystem;
using Lines = std::vector<std::string>;

class BackupCommandRun : public ::testing::Test {
 protected:
  void SetUp() override {
    box.writeProgram("C:\\Meridano\\Tarvio\\pg10\\bin\\pg_dump.exe", "printf PGDMP; head -c 1000000 /dev/zero");
    standIns.install(box, box.host("C:\\record.log"));
    stdfs::create_directories(box.host("C:\\copias"));
    for (const char* name : {"tarvio-20240101-000000.zip", "tarvio-20240102-000000.zip", "tarvio-20240103-000000.zip"}) {
      box.writeFile(std::string(paths::backupDir) + "\\" + name, "x");
      box.writeFile(std::string("C:\\copias\\") + name, "x");
    }
    box.writeFile("C:\\copias\\outro.txt", "x");
  }
  // Kind and outcome of every run in the history of the installed sandbox.
  Lines runs() const {
    Lines lines;
    for (const auto& e : history::readRecent(100).entries) {
      lines.push_back(std::string(history::kindText(e.kind)) + " " + std::string(history::outcomeText(e.outcome)));
    }
    return lines;
  }

  test::MainWindowSandbox box;
  test::DrillStandIns standIns;
  const std::string made = "tarvio-20240305-090703.zip";
};

TEST_F(BackupCommandRun, verified_kept_and_copied) {
  BackupCommand command{true, 2, "C:\\copias"};
  EXPECT_EQ(runBackupCommand(command), CommandOutcome::success);
  EXPECT_EQ(box.tree(std::string(paths::backupDir)), (Lines{"historico.txt", "tarvio-20240103-000000.zip", made}));
  EXPECT_EQ(box.tree("C:\\copias"), (Lines{"outro.txt", "tarvio-20240103-000000.zip", made}));
  EXPECT_EQ(box.readFile("C:\\copias\\" + made), box.readFile(std::string(paths::backupDir) + "\\" + made));
  EXPECT_EQ(runs(), (Lines{"backup sucesso", "verificação sucesso", "cópia sucesso"}));
  for (const auto& e : history::readRecent(100).entries) EXPECT_EQ(e.origin, history::RunOrigin::window);
  // Nobody is asked anything: the message of the backup is shown, Explorer is the desktop's to skip.
  EXPECT_EQ(box.desktop.calls.front(), "message: Backup efetuado com êxito! Dispinível em " +
                                           std::string(paths::backupDir) + "\\" + made);
}

// A step that fails stops the steps after it: a backup whose drill failed deletes no older archive
// and is not copied; a failed copy leaves the backup and the local retention done.
TEST_F(BackupCommandRun, each_failure_has_its_outcome_and_stops_what_follows) {
  struct Case {
    const char* what;
    std::function<void(test::MainWindowSandbox&, test::DrillStandIns&)> arrange;
    BackupCommand command;
    CommandOutcome outcome;
    Lines runs;
    Lines backupFolder;
  };
  const Lines untouched{"tarvio-20240101-000000.zip", "tarvio-20240102-000000.zip", "tarvio-20240103-000000.zip"};
  Lines withTheNewOne = untouched;
  withTheNewOne.insert(withTheNewOne.end(), {made, "verificacao-20240305-090703.log"});
  const Case cases[] = {
      {"no dump", [](test::MainWindowSandbox& box, test::DrillStandIns&) {
         box.writeProgram("C:\\Meridano\\Tarvio\\pg10\\bin\\pg_dump.exe", "exit 1");
       },
       {true, 1, "C:\\copias"}, CommandOutcome::backupFailed, {"backup falha"}, untouched},
      {"the drill fails", [](test::MainWindowSandbox& box, test::DrillStandIns& s) {
         s.restoreFails = true;
         s.install(box, box.host("C:\\record.log"));
       },
       {true, 1, "C:\\copias"}, CommandOutcome::drillFailed, {"backup sucesso", "verificação falha"}, withTheNewOne},
      // Kept 1: the local retention ran before the copy.
      {"the copy fails", nullptr, {false, 1, "C:\\nao-existe"}, CommandOutcome::copyFailed,
       {"backup sucesso", "cópia falha"}, {made}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::MainWindowSandbox box;
    test::DrillStandIns standIns;
    box.writeProgram("C:\\Meridano\\Tarvio\\pg10\\bin\\pg_dump.exe", "printf PGDMP; head -c 1000000 /dev/zero");
    standIns.install(box, box.host("C:\\record.log"));
    for (const auto& name : untouched) box.writeFile(std::string(paths::backupDir) + "\\" + name, "x");
    if (c.arrange) c.arrange(box, standIns);

    EXPECT_EQ(runBackupCommand(c.command), c.outcome);
    EXPECT_EQ(runs(), c.runs);  // the history of the box installed now
    Lines folder = box.tree(std::string(paths::backupDir));
    folder.erase(std::remove_if(folder.begin(), folder.end(),
                                [](const std::string& n) { return n == "historico.txt" || n == "tarvio.backup"; }),
                 folder.end());
    EXPECT_EQ(folder, c.backupFolder);
    EXPECT_EQ(box.tree("C:\\copias"), Lines{});
    // The error was shown, as the window would show it.
    ASSERT_FALSE(box.desktop.calls.empty());
    EXPECT_EQ(box.desktop.calls.back().rfind(c.outcome == CommandOutcome::backupFailed ? "message: " : "error: ", 0), 0u)
        << box.desktop.calls.back();
  }
}

// Closed (Ctrl+C, a scheduler stopping the task) once the backup is made: the steps after it do not
// begin, and the exit code does not say that a drill or a copy asked for was done.
TEST_F(BackupCommandRun, a_close_request_after_the_backup_skips_the_steps_and_says_which_was_not_done) {
  struct Case {
    const char* what;
    BackupCommand command;
    CommandOutcome outcome;
  };
  const Case cases[] = {
      {"drill asked for", {true, 1, "C:\\copias"}, CommandOutcome::drillFailed},
      {"copy asked for", {false, 1, "C:\\copias"}, CommandOutcome::copyFailed},
      {"only the retention", {false, 1, std::nullopt}, CommandOutcome::success},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::MainWindowSandbox box;
    box.writeProgram("C:\\Meridano\\Tarvio\\pg10\\bin\\pg_dump.exe", "printf PGDMP; head -c 1000000 /dev/zero");
    box.writeFile(std::string(paths::backupDir) + "\\tarvio-20240101-000000.zip", "x");
    stdfs::create_directories(box.host("C:\\copias"));
    // The request arrives while the backup runs: its message box is the last thing the backup shows.
    box.desktop.onMessage = [&box] { box.desktop.isTerminated = true; };

    EXPECT_EQ(runBackupCommand(c.command), c.outcome);
    EXPECT_EQ(box.log().back(), "Interrompido a pedido: os passos seguintes ao backup não foram feitos.");
    EXPECT_TRUE(stdfs::exists(box.host(std::string(paths::backupDir) + "\\" + made))) << "the backup stands";
    EXPECT_TRUE(stdfs::exists(box.host(std::string(paths::backupDir) + "\\tarvio-20240101-000000.zip")));
    EXPECT_EQ(box.tree("C:\\copias"), Lines{});
    EXPECT_EQ(runs(), Lines{"backup sucesso"});
  }
}

TEST_F(BackupCommandRun, another_run_holding_the_server_refuses_the_whole_command) {
  auto held = makeNativeRunLocks(box.root())->tryAcquire();
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(runBackupCommand({true, 2, "C:\\copias"}), CommandOutcome::anotherRunInProgress);
  EXPECT_EQ(runs(), Lines{"backup recusada"});
  EXPECT_FALSE(stdfs::exists(box.host(std::string(paths::dumpFile))));
  EXPECT_EQ(runDrillCommand(""), CommandOutcome::anotherRunInProgress);
  EXPECT_EQ(runs(), (Lines{"backup recusada", "verificação recusada"}));
}

}  // namespace
}  // namespace tarvio
