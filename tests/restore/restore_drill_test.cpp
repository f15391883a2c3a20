// The restore drill with stand-ins for PostgreSQL's programs: which way it takes, what it restores,
// that it cleans up whatever happens, and its verdict.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "backup/backup.h"
#include "common/paths.h"
#include "history/run_history.h"
#include "restore/restore_drill.h"
#include "tests/support/drill_standins.h"
#include "tests/support/error_text.h"
#include "tests/support/main_window.h"

namespace tarvio {
namespace {

namespace stdfs = std::filesystem;
using Lines = std::vector<std::string>;

const std::string newest = "C:\\Meridano\\Tarvio\\backup\\tarvio-20240305-090703.zip";

Lines readLines(const std::string& hostPath) {
  Lines lines;
  std::ifstream in(hostPath);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class Drill : public ::testing::Test {
 protected:
  void SetUp() override {
    record = box.host("C:\\record.log");
    box.writeProgram("C:\\Meridano\\Tarvio\\pg10\\bin\\pg_dump.exe", "printf PGDMP; head -c 1000000 /dev/zero");
    // An older archive first, then the newest one: the drill takes the newest.
    box.clock.current = {2024, 3, 4, 9, 7, 3, 0};
    ASSERT_TRUE(TBackup::Executar(true).has_value());
    box.clock.current = {2024, 3, 5, 9, 7, 3, 0};
    ASSERT_TRUE(TBackup::Executar(true).has_value());
    box.principal.ListBox().clear();
    box.eventLog.events.clear();
  }
  void install(const test::DrillStandIns& s = {}) { s.install(box, record); }
  Lines calls() const { return readLines(record); }
  void expectCleanedUp() {
    EXPECT_FALSE(stdfs::exists(box.host(std::string(paths::drillDir))));
  }

  test::MainWindowSandbox box;
  std::string record;
};

TEST_F(Drill, the_newest_archive_is_restored_into_the_scratch_database_and_counted) {
  install();
  DrillResult result = runRestoreDrill("");
  EXPECT_EQ(result.backup, newest);
  EXPECT_EQ(result.tables, 3);
  EXPECT_EQ(result.rows, 42);
  const std::string pg10 = "-U postgres -p 5432 ";
  EXPECT_EQ(calls(), (Lines{"psql " + pg10 + "-X -d postgres -c SELECT 1",
                            "dropdb " + pg10 + "--if-exists tarvio_verificacao",
                            "createdb " + pg10 + "tarvio_verificacao",
                            "pg_restore " + pg10 + "-d tarvio_verificacao " +
                                box.host("C:\\Meridano\\Tarvio\\backup\\verificacao\\verificar.backup"),
                            calls().at(4),  // the count, its SQL checked with the command texts
                            "dropdb " + pg10 + "--if-exists tarvio_verificacao", calls().at(6)}));
  EXPECT_EQ(calls().at(4).rfind("psql " + pg10 + "-X -q -A -t -d tarvio_verificacao -c CREATE FUNCTION", 0), 0u);
  EXPECT_NE(calls().at(6).find("datname = 'tarvio_verificacao'"), std::string::npos);
  EXPECT_EQ(box.log(), (Lines{"Verificando o backup " + newest + "...",
                              "Extraindo o backup do banco de dados para C:\\Meridano\\Tarvio\\backup\\verificacao...",
                              "Procurando o servidor PostgreSQL...",
                              "Criando o banco de dados de verificação tarvio_verificacao...",
                              "Restaurando o backup no banco de dados de verificação. Aguarde, esta operação pode demorar "
                              "alguns minutos...",
                              "Contando as tabelas e as linhas...", "Apagando o banco de dados de verificação...",
                              "Verificação concluída com êxito! O backup " + newest +
                                  " foi restaurado num banco de dados de verificação: 3 tabela(s), 42 linha(s)."}));
  expectCleanedUp();
  // Nothing but the archives and the history stays in the backup folder: no log of a drill that passed.
  EXPECT_EQ(box.tree(std::string(paths::backupDir)),
            (Lines{"historico.txt", "tarvio-20240304-090703.zip", "tarvio-20240305-090703.zip"}));
  history::Entry run = history::readRecent(1).entries.at(0);
  EXPECT_EQ(run.kind, history::RunKind::drill);
  EXPECT_EQ(run.outcome, history::Outcome::success);
  EXPECT_EQ(run.archive, newest);
  EXPECT_EQ(box.eventLog.events.size(), 1u);
  EXPECT_EQ(box.eventLog.events[0].rfind("information 100: Verificação", 0), 0u);
}

// The way is the first of the four whose server answers: here the first server is down and no psql
// is found by its bare name, so the programs of the second instance with its first password do it.
TEST_F(Drill, the_first_way_that_reaches_a_server_is_used_for_everything) {
  test::DrillStandIns first;
  first.reachCode = 2;
  install(first);
  test::DrillStandIns second;
  second.binDir = "C:\\Meridano\\Tarvio\\pgsql\\bin";
  install(second);
  runRestoreDrill(newest);
  Lines all = calls();
  ASSERT_GE(all.size(), 3u);
  EXPECT_EQ(all[0], "psql -U postgres -p 5432 -X -d postgres -c SELECT 1");
  EXPECT_EQ(all[1], "psql -U pgmeridano -p 6543 -X -d postgres -c SELECT 1");
  for (size_t i = 1; i < all.size(); ++i) EXPECT_NE(all[i].find("-U pgmeridano -p 6543 "), std::string::npos) << all[i];
}

// Whatever fails, the verdict says what, the scratch database is dropped when a server was reached,
// the temporary folder is gone, and the history and the event log say the drill failed.
TEST_F(Drill, a_failed_drill_says_why_and_leaves_nothing_behind) {
  struct Case {
    const char* what;
    std::function<void(test::DrillStandIns&, test::MainWindowSandbox&)> arrange;
    std::string backup;
    std::string verdict;
    bool dropped;
  };
  const std::string log = "C:\\Meridano\\Tarvio\\backup\\verificacao-20240305-090703.log";
  const Case cases[] = {
      {"pg_restore reports errors", [](test::DrillStandIns& s, test::MainWindowSandbox&) { s.restoreFails = true; }, newest,
       "A verificação falhou: o pg_restore não restaurou o backup sem erros (código 1); veja o registro " + log + ".",
       true},
      {"no server answers", [](test::DrillStandIns& s, test::MainWindowSandbox&) { s.reachCode = 2; }, newest,
       "A verificação falhou: nenhuma das quatro formas de conexão dos backups alcançou um servidor PostgreSQL.", false},
      {"createdb fails", [](test::DrillStandIns& s, test::MainWindowSandbox&) { s.createCode = 1; }, newest,
       "A verificação falhou: o banco de dados de verificação tarvio_verificacao não pôde ser criado (createdb terminou "
       "com o código 1).",
       true},
      {"the count cannot be read", [](test::DrillStandIns& s, test::MainWindowSandbox&) { s.counts = "ERRO"; }, newest,
       "A verificação falhou: as tabelas do banco de dados de verificação não puderam ser contadas (psql terminou com o "
       "código 0).",
       true},
      {"no table was restored", [](test::DrillStandIns& s, test::MainWindowSandbox&) { s.counts = "0|0"; }, newest,
       "A verificação falhou: o backup restaurado não tem nenhuma tabela.", true},
      {"the scratch database stays", [](test::DrillStandIns& s, test::MainWindowSandbox&) { s.goneCode = 1; }, newest,
       "A verificação falhou: o banco de dados de verificação tarvio_verificacao não pôde ser apagado; apague-o no "
       "servidor PostgreSQL.",
       true},
      {"a damaged archive",
       [](test::DrillStandIns&, test::MainWindowSandbox& box) {
         std::fstream f(box.host(newest), std::ios::in | std::ios::out | std::ios::binary);
         f.seekp(200);
         f.put('\x33');
       },
       newest,
       "A verificação falhou: O arquivo escolhido não pôde ser lido como um arquivo ZIP: " + newest + " (",
       false},
      {"a file that is no backup",
       [](test::DrillStandIns&, test::MainWindowSandbox& box) { box.writeFile("C:\\notas.txt", "texto"); },
       "C:\\notas.txt", "A verificação falhou: O arquivo escolhido não é um backup", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::DrillStandIns standIns;
    c.arrange(standIns, box);
    install(standIns);
    stdfs::remove(record);
    std::string verdict = test::errorText<DrillFailed>([&] { runRestoreDrill(c.backup); });
    EXPECT_EQ(verdict.rfind(c.verdict, 0), 0u) << verdict;
    Lines all = calls();
    bool dropped = !all.empty() && all.back().find("tarvio_verificacao") != std::string::npos &&
                   (all.back().rfind("psql", 0) == 0 || all.back().rfind("dropdb", 0) == 0);
    EXPECT_EQ(dropped, c.dropped) << (all.empty() ? "(no call)" : all.back());
    expectCleanedUp();
    history::Entry run = history::readRecent(1).entries.at(0);
    EXPECT_EQ(run.kind, history::RunKind::drill);
    EXPECT_EQ(run.outcome, history::Outcome::failure);
    EXPECT_EQ(run.error, verdict);
    EXPECT_EQ(box.eventLog.events.back().rfind("error 103: Verificação", 0), 0u);
    // The log of a pg_restore that failed stays, with pg_restore's own words.
    if (standIns.restoreFails) {
      EXPECT_NE(box.readFile(log).find("errors ignored on restore: 2"), std::string::npos);
      stdfs::remove(box.host(log));
    }
  }
}

TEST_F(Drill, a_bare_dump_is_restored_as_it_is) {
  install();
  box.writeFile("C:\\copias\\Tarvio.BACKUP", "PGDMP" + std::string(5000, 'd'));
  DrillResult result = runRestoreDrill("C:\\copias\\Tarvio.BACKUP");
  EXPECT_EQ(result.tables, 3);
  EXPECT_TRUE(stdfs::exists(box.host("C:\\copias\\Tarvio.BACKUP")));
  expectCleanedUp();
}

TEST(DrillWithoutArchives, an_empty_backup_folder_is_a_failed_drill) {
  test::MainWindowSandbox box;
  stdfs::create_directories(box.host(std::string(paths::backupDir)));
  box.writeFile(std::string(paths::backupDir) + "\\tarvio-2026.zip", "not one of ours");
  EXPECT_EQ(test::errorText<DrillFailed>([] { runRestoreDrill(""); }),
            "A verificação falhou: não há nenhum backup (tarvio-AAAAMMDD-HHMMSS.zip) em C:\\Meridano\\Tarvio\\backup.");
}

}  // namespace
}  // namespace tarvio
