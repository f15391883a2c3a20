// The history file's lines, their escaping, the file read from its end, and the events of the runs.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "common/paths.h"
#include "history/run_history.h"

#ifndef _WIN32
#include "tests/support/sandbox.h"
#endif

namespace tarvio::history {

// Entries show as their lines when a check fails.
void PrintTo(const Entry& entry, std::ostream* out) { *out << formatLine(entry); }

namespace {

Entry successfulBackup() {
  Entry e;
  e.started = {2026, 11, 3, 2, 0, 5, 0};
  e.kind = RunKind::backup;
  e.origin = RunOrigin::commandLine;
  e.outcome = Outcome::success;
  e.archive = "C:\\Meridano\\Tarvio\\backup\\tarvio-20261103-020005.zip";
  e.archiveBytes = 123456789;
  e.seconds = 42.26;
  return e;
}

TEST(HistoryLine, holds_eight_tab_separated_fields) {
  EXPECT_EQ(formatLine(successfulBackup()),
            "2026-11-03 02:00:05\tbackup\tlinha de comando\tsucesso\t"
            "C:\\Meridano\\Tarvio\\backup\\tarvio-20261103-020005.zip\t123456789\t42.3\t");
  Entry failed;
  failed.started = {2026, 1, 2, 3, 4, 5, 0};
  failed.kind = RunKind::safetyBackup;
  failed.origin = RunOrigin::window;
  failed.outcome = Outcome::failure;
  failed.error = "Nenhuma tentativa de backup teve êxito!";
  EXPECT_EQ(formatLine(failed),
            "2026-01-02 03:04:05\tbackup de segurança\tjanela\tfalha\t\t\t0.0\tNenhuma tentativa de backup teve êxito!");
}

// Whatever the texts hold, a line stays one line of eight fields and reads back as it was.
TEST(HistoryLine, texts_with_tabs_line_breaks_and_percent_signs_read_back_whole) {
  struct Case {
    const char* what;
    std::string archive;
    std::string error;
    const char* errorField;
  };
  const Case cases[] = {
      {"line breaks", "", "A restauração falhou:\r\nlinha dois\nlinha três", "A restauração falhou:%0D%0Alinha dois%0Alinha três"},
      {"a tab and a percent sign", "C:\\Cópias\\100%\\tarvio.zip", "campo\tcom tab: 50%", "campo%09com tab: 50%25"},
      {"other control characters", "", std::string("nul\0bell\a del\x7f", 14), "nul%00bell%07 del%7F"},
      {"an escape-like text kept as it is", "C:\\x%41", "%41 não é A", "%2541 não é A"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Entry e = successfulBackup();
    e.outcome = Outcome::failure;
    e.archive = c.archive;
    e.error = c.error;
    std::string line = formatLine(e);
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(line.substr(line.rfind('\t') + 1), c.errorField);
    auto back = parseLine(line + "\r\n");
    ASSERT_TRUE(back.has_value());
    e.seconds = 42.3;  // one decimal is kept
    EXPECT_EQ(*back, e);
  }
}

TEST(HistoryLine, every_kind_origin_and_outcome_reads_back) {
  for (auto kind : {RunKind::backup, RunKind::safetyBackup, RunKind::restore, RunKind::drill, RunKind::copy}) {
    for (auto origin : {RunOrigin::window, RunOrigin::windowArgument, RunOrigin::consoleMenu, RunOrigin::commandLine}) {
      for (auto outcome : {Outcome::success, Outcome::failure, Outcome::cancelled, Outcome::refused}) {
        Entry e = successfulBackup();
        e.kind = kind;
        e.origin = origin;
        e.outcome = outcome;
        e.seconds = 1.5;
        auto back = parseLine(formatLine(e));
        ASSERT_TRUE(back.has_value()) << formatLine(e);
        EXPECT_EQ(*back, e);
      }
    }
  }
}

TEST(HistoryLine, lines_that_are_not_history_lines_are_refused) {
  const std::string good = formatLine(successfulBackup());
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string line = good;
    line.replace(line.find(from), from.size(), to);
    return line;
  };
  const std::string cases[] = {
      "",
      "texto qualquer",
      good.substr(0, good.rfind('\t')),  // seven fields
      good + "\textra",                  // nine fields
      replaced("backup\t", "becape\t"),
      replaced("linha de comando", "agendador"),
      replaced("sucesso", "ok"),
      replaced("2026-11-03 02:00:05", "2026-11-03T02:00:05"),
      replaced("123456789", "12a"),
      replaced("42.3", "rápido"),
      good + "%4",                       // a percent sign without its two digits
      good + "%G1",
  };
  for (const auto& line : cases) EXPECT_FALSE(parseLine(line).has_value()) << line;
}

TEST(HistoryEvents, each_outcome_has_its_number_and_severity) {
  struct Case {
    RunKind kind;
    Outcome outcome;
    uint32_t id;
    EventSeverity severity;
  };
  const Case cases[] = {
      {RunKind::backup, Outcome::success, 100, EventSeverity::information},
      {RunKind::drill, Outcome::success, 100, EventSeverity::information},
      {RunKind::copy, Outcome::success, 100, EventSeverity::information},
      {RunKind::backup, Outcome::failure, 101, EventSeverity::error},
      {RunKind::safetyBackup, Outcome::failure, 101, EventSeverity::error},
      {RunKind::restore, Outcome::failure, 101, EventSeverity::error},
      {RunKind::backup, Outcome::refused, 101, EventSeverity::error},
      {RunKind::copy, Outcome::failure, 102, EventSeverity::error},
      {RunKind::drill, Outcome::failure, 103, EventSeverity::error},
      {RunKind::drill, Outcome::refused, 103, EventSeverity::error},
      {RunKind::restore, Outcome::cancelled, 104, EventSeverity::warning},
  };
  for (const auto& c : cases) {
    Entry e = successfulBackup();
    e.kind = c.kind;
    e.outcome = c.outcome;
    SCOPED_TRACE(formatLine(e));
    EXPECT_EQ(eventIdOf(e), c.id);
    EXPECT_EQ(severityOf(e), c.severity);
  }
}

TEST(HistoryEvents, the_text_tells_the_run_its_archive_and_its_error) {
  Entry e = successfulBackup();
  e.kind = RunKind::copy;
  e.outcome = Outcome::failure;
  e.archive = "\\\\servidor\\copias\\tarvio-20261103-020005.zip";
  e.archiveBytes.reset();
  e.seconds = 75;
  e.error = "A cópia falhou: acesso negado.";
  EXPECT_EQ(eventText(e),
            "Cópia (linha de comando): falha.\r\n"
            "Arquivo: \\\\servidor\\copias\\tarvio-20261103-020005.zip\r\n"
            "Início: 2026-11-03 02:00:05, duração: 1 min 15 s\r\n"
            "Erro: A cópia falhou: acesso negado.");
  EXPECT_EQ(eventText(successfulBackup()),
            "Backup (linha de comando): sucesso.\r\n"
            "Arquivo: C:\\Meridano\\Tarvio\\backup\\tarvio-20261103-020005.zip (123456789 bytes)\r\n"
            "Início: 2026-11-03 02:00:05, duração: 42,3 s");
}

#ifndef _WIN32
TEST(HistoryFile, lines_are_added_at_the_end_and_the_last_ones_read_back) {
  test::Sandbox box;
  box.makeInstallLayout();
  EXPECT_TRUE(readRecent(10).entries.empty());  // no file yet

  for (int i = 0; i < 5; ++i) {
    Entry e = successfulBackup();
    e.started.minute = i;
    append(e);
  }
  // A line written by hand among them is counted, not shown.
  box.writeFile(std::string(paths::historyFile), box.readFile(std::string(paths::historyFile)) + "anotação à mão\r\n");
  Entry last = successfulBackup();
  last.kind = RunKind::restore;
  last.seconds = 42.3;  // as one decimal keeps it
  append(last);

  Recent recent = readRecent(3);
  ASSERT_EQ(recent.entries.size(), 2u);
  EXPECT_EQ(recent.unreadableLines, 1u);
  EXPECT_EQ(recent.entries[0].started.minute, 4);
  EXPECT_EQ(recent.entries[1], last);
  EXPECT_EQ(readRecent(100).entries.size(), 6u);
}

TEST(HistoryFile, a_file_cut_short_in_a_line_does_not_swallow_the_next_run) {
  // A power loss during a write, or an editor that dropped the last line break: the file ends
  // inside a line. The next run's line starts on a line of its own.
  test::Sandbox box;
  box.makeInstallLayout();
  append(successfulBackup());
  const std::string whole = box.readFile(std::string(paths::historyFile));
  box.writeFile(std::string(paths::historyFile), whole + whole.substr(0, 25));
  Entry next = successfulBackup();
  next.kind = RunKind::drill;
  next.seconds = 42.3;  // as one decimal keeps it
  append(next);

  Recent recent = readRecent(10);
  ASSERT_EQ(recent.entries.size(), 2u);
  EXPECT_EQ(recent.entries[1], next);
  EXPECT_EQ(recent.unreadableLines, 1u) << "the cut line is counted, not shown";
}

TEST(HistoryFile, the_backup_folder_is_created_for_the_first_line) {
  test::Sandbox box;
  box.makeInstallLayout();
  ASSERT_FALSE(fs().directoryExists(paths::backupDir));
  append(successfulBackup());
  EXPECT_EQ(box.readFile(std::string(paths::historyFile)), formatLine(successfulBackup()) + "\r\n");
}
#endif

}  // namespace
}  // namespace tarvio::history
