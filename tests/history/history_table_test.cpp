// The history as a table.
#include <gtest/gtest.h>

#include "history/history_table.h"

namespace tarvio::history {
namespace {

using Lines = std::vector<std::string>;

TEST(HistoryTable, one_row_per_run_and_the_error_below_a_failed_one) {
  Recent recent;
  Entry backup;
  backup.started = {2026, 11, 3, 2, 0, 5, 0};
  backup.kind = RunKind::backup;
  backup.origin = RunOrigin::commandLine;
  backup.archive = "C:\\Meridano\\Tarvio\\backup\\tarvio-20261103-020005.zip";
  backup.archiveBytes = 5 * 1024 * 1024 + 300 * 1024;
  backup.seconds = 62.4;
  Entry copy = backup;
  copy.kind = RunKind::copy;
  copy.outcome = Outcome::failure;
  copy.archive = "";
  copy.archiveBytes.reset();
  copy.seconds = 0.2;
  copy.error = "A cópia falhou:\r\nacesso negado.";
  recent.entries = {backup, copy};
  recent.unreadableLines = 1;

  EXPECT_EQ(tableLines(recent),
            (Lines{"Início               Tipo    Iniciado por      Resultado  Duração  Tamanho  Arquivo",
                   "2026-11-03 02:00:05  backup  linha de comando  sucesso    0:01:02  5,3 MB   "
                   "C:\\Meridano\\Tarvio\\backup\\tarvio-20261103-020005.zip",
                   "2026-11-03 02:00:05  cópia   linha de comando  falha      0:00:00  -        -",
                   "    erro: A cópia falhou: acesso negado.",
                   "(1 linha(s) do histórico não puderam ser lidas e foram omitidas.)"}));
}

TEST(HistoryTable, an_empty_history_says_so) {
  EXPECT_EQ(tableLines({}), Lines{"Nenhuma execução registrada no histórico."});
}

TEST(HistoryTable, sizes_and_durations_in_words) {
  EXPECT_EQ(sizeWords(12), "12 bytes");
  EXPECT_EQ(sizeWords(1536), "1,5 KB");
  EXPECT_EQ(sizeWords(int64_t{150} << 20), "150 MB");
  EXPECT_EQ(sizeWords(int64_t{3} << 40), "3,0 TB");
  EXPECT_EQ(clockDuration(0.4), "0:00:00");
  EXPECT_EQ(clockDuration(3723), "1:02:03");
}

}  // namespace
}  // namespace tarvio::history
