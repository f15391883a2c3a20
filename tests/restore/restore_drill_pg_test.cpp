// The restore drill against the real PostgreSQL servers: the backup's dump restored into the scratch
// database, its tables and rows counted, the scratch database gone afterwards, "tarvio" untouched.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/unattended_runs.h"
#include "common/paths.h"
#include "history/run_history.h"
#include "restore/restore_drill.h"
#include "tests/support/archive_builder.h"
#include "tests/support/error_text.h"
#include "tests/support/main_window.h"
#include "tests/support/pg/pg_servers.h"

namespace tarvio {
namespace {

namespace pg = test::pg;

std::string scratchDatabases() {
  return pg::runSql("SELECT count(*) FROM pg_database WHERE datname = 'tarvio_verificacao'", pg::first, "postgres");
}

// The tables of "tarvio" and their rows, as its fingerprint counts them: "N tabela(s), M linha(s)".
std::string countsOf(const std::string& fingerprint) {
  long long tables = 0, rows = 0;
  std::istringstream lines(fingerprint);
  for (std::string line; std::getline(lines, line);) {
    auto at = line.find(" rows=");
    if (line.rfind("table ", 0) != 0 || at == std::string::npos) continue;
    ++tables;
    rows += std::stoll(line.substr(at + 6));
  }
  auto withDots = [](long long n) {
    std::string digits = std::to_string(n), text;
    for (size_t i = 0; i < digits.size(); ++i) {
      if (i > 0 && (digits.size() - i) % 3 == 0) text += '.';
      text += digits[i];
    }
    return text;
  };
  return withDots(tables) + " tabela(s), " + withDots(rows) + " linha(s).";
}

class DrillWithPostgres : public ::testing::Test {
 protected:
  void SetUp() override {
    pg::resetDatabase(pg::DataSize::normal, pg::first);
    pg::installClientPrograms(box);
  }
  test::MainWindowSandbox box;
};

TEST_F(DrillWithPostgres, backup_verificar_restores_the_backup_beside_the_live_database) {
  const std::string before = pg::fingerprint();
  ASSERT_EQ(runBackupCommand({true, std::nullopt, std::nullopt}), CommandOutcome::success) << box.desktop.calls.back();

  EXPECT_EQ(box.log().back(), "Verificação concluída com êxito! O backup "
                              "C:\\Meridano\\Tarvio\\backup\\tarvio-20240305-090703.zip foi restaurado num banco de "
                              "dados de verificação: " + countsOf(before));
  EXPECT_EQ(scratchDatabases(), "0");
  EXPECT_EQ(pg::fingerprint(), before);
  EXPECT_FALSE(std::filesystem::exists(box.host(std::string(paths::drillDir))));
  auto recent = history::readRecent(10).entries;
  ASSERT_EQ(recent.size(), 2u);
  EXPECT_EQ(recent[1].kind, history::RunKind::drill);
  EXPECT_EQ(recent[1].outcome, history::Outcome::success);
}

TEST_F(DrillWithPostgres, a_dump_that_pg_restore_rejects_fails_the_drill_and_leaves_no_scratch_database) {
  const std::string before = pg::fingerprint();
  std::string garbage = "PGDMP";
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>(i * 7);
  box.writeFile("C:\\copias\\rejeitado.zip", test::buildArchive({{"backup/tarvio.backup", garbage}}));

  std::string verdict = test::errorText<DrillFailed>([] { runRestoreDrill("C:\\copias\\rejeitado.zip"); });
  EXPECT_EQ(verdict.rfind("A verificação falhou: o pg_restore não restaurou o backup sem erros (código 1); veja o "
                          "registro C:\\Meridano\\Tarvio\\backup\\verificacao-20240305-090703.log",
                          0),
            0u)
      << verdict;
  EXPECT_EQ(scratchDatabases(), "0");
  EXPECT_EQ(pg::fingerprint(), before);
  EXPECT_NE(box.readFile("C:\\Meridano\\Tarvio\\backup\\verificacao-20240305-090703.log").find("pg_restore: "),
            std::string::npos);
}

}  // namespace
}  // namespace tarvio
