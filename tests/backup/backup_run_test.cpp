// The backup run with stand-ins for pg_dump: attempts, threshold, folders, archive, messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "app/error_display.h"
#include "backup/backup.h"
#include "common/paths.h"
#include "history/run_history.h"
#include "platform/native.h"
#include "tests/support/failing_file_system.h"
#include "tests/support/main_window.h"
#include "tests/support/scoped_platform.h"

namespace tarvio {
namespace {

namespace stdfs = std::filesystem;
using Lines = std::vector<std::string>;

const char* archivePath = "C:\\Meridano\\Tarvio\\backup\\tarvio-20240305-090703.zip";
const char* successLine =
    "Backup efetuado com êxito! Disponível em C:\\Meridano\\Tarvio\\backup\\tarvio-20240305-090703.zip.";
const char* successMessage =
    "message: Backup efetuado com êxito! Dispinível em "
    "C:\\Meridano\\Tarvio\\backup\\tarvio-20240305-090703.zip";

Lines attemptLines(int n, bool failed) {
  Lines lines{"Iniciando método " + std::to_string(n) + " de backup...", "Aguarde, efetuando backup..."};
  if (failed) lines.push_back("Método " + std::to_string(n) + " de backup falhou...");
  return lines;
}

Lines concat(std::initializer_list<Lines> parts) {
  Lines all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// The list of entry names of an archive, read by Python's zipfile (an independent reader).
Lines entryNames(const std::string& hostArchive) {
  std::string command = "python3 -c 'import sys,zipfile; [print(n) for n in zipfile.ZipFile(sys.argv[1]).namelist()]' '" +
                        hostArchive + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) throw std::runtime_error("cannot run python3");
  Lines names;
  char buffer[4096];
  while (fgets(buffer, sizeof buffer, pipe)) {
    std::string line = buffer;
    if (!line.empty() && line.back() == '\n') line.pop_back();
    names.push_back(line);
  }
  if (pclose(pipe) != 0) throw std::runtime_error("python3 could not read " + hostArchive);
  return names;
}

// A shell line that writes n bytes of a custom-format dump ("PGDMP" and filler) to the standard output.
std::string dumpOf(const std::string& n) {
  return "n=" + n + "; if [ $n -ge 5 ]; then printf PGDMP; n=$((n - 5)); fi; head -c $n /dev/zero | tr '\\0' 'd'";
}

// pg_dump stand-ins. The one of pg10BinDir writes `first` bytes when the password file (found
// through PGPASSFILE) holds the first server's password; the one found by its bare name writes
// `bare` bytes; the one of pgsqlBinDir writes `secondPassword4` bytes with the second server's own
// password and `second` bytes otherwise.
void dumpPrograms(test::MainWindowSandbox& box, long first, long bare, long second, long secondPassword4) {
  box.writeProgram("C:\\Meridano\\Tarvio\\pg10\\bin\\pg_dump.exe",
                   "grep -q ':plovertin' \"$PGPASSFILE\" || exit 1\n" + dumpOf(std::to_string(first)));
  box.writeProgram("C:\\searchpath\\pg_dump.exe", dumpOf(std::to_string(bare)));
  box.writeProgram("C:\\Meridano\\Tarvio\\pgsql\\bin\\pg_dump.exe",
                   "if grep -q ':h7j6k5l4' \"$PGPASSFILE\"; then m=" + std::to_string(secondPassword4) +
                       "; else m=" + std::to_string(second) + "; fi\n" + dumpOf("$m"));
}

class BackupRun : public ::testing::Test {
 protected:
  void programs(long first, long bare, long second, long secondPassword4) {
    dumpPrograms(box, first, bare, second, secondPassword4);
  }
  void workTree() {
    const std::string tomcat = std::string(paths::tomcatWorkDir);
    const std::string jetty = std::string(paths::jettyWorkDir);
    box.writeFile(tomcat + "\\esocial\\a.xml", "<a/>");
    box.writeFile(tomcat + "\\esocial\\lotes_pendentes\\p.xml", "pendente");
    box.writeFile(tomcat + "\\reinf\\retornos\\r.xml", "retorno");
    box.writeFile(tomcat + "\\reinf\\b.xml", "<b/>");
    box.writeFile(tomcat + "\\trabalhadores\\f.pdf", "tomcat copy");
    box.writeFile(tomcat + "\\trabalhadores\\only-tomcat.pdf", "t");
    box.writeFile(tomcat + "\\outra\\not-archived.txt", "x");
    stdfs::create_directories(box.host(tomcat + "\\manifestacaodestinatario\\vazia"));
    box.writeFile(jetty + "\\trabalhadores\\f.pdf", "jetty copy");
    box.writeFile(jetty + "\\tarvio_nfse\\n.xml", "<n/>");
  }
  bool exists(const std::string& drivePath) const { return stdfs::exists(box.host(drivePath)); }

  test::MainWindowSandbox box;
};

TEST_F(BackupRun, first_attempt_good_archives_and_reports) {
  programs(1000000, 0, 0, 0);
  workTree();
  runHandler([] { TBackup::Executar(true); });

  EXPECT_EQ(box.log(), concat({attemptLines(1, false), {successLine, "Fim..."}}));
  EXPECT_TRUE(box.lastLineSelected());
  EXPECT_EQ(box.desktop.calls,
            (Lines{successMessage, "explorer: /root,C:\\Meridano\\Tarvio\\backup"}));
  EXPECT_FALSE(exists(std::string(paths::dumpFile)));
  EXPECT_FALSE(exists(std::string(paths::pgpassFile)));
  EXPECT_FALSE(exists(std::string(paths::scriptFile)));
  for (auto folder : paths::pendingFolders) EXPECT_FALSE(exists(std::string(folder))) << folder;

  Lines names = entryNames(box.host(archivePath));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (Lines{"backup/tarvio.backup", "esocial/a.xml", "manifestacaodestinatario/vazia/",
                          "reinf/b.xml", "tarvio_nfse/n.xml", "trabalhadores/f.pdf",
                          "trabalhadores/only-tomcat.pdf"}));
}

TEST_F(BackupRun, the_jetty_copy_of_a_shared_name_wins) {
  programs(1000000, 0, 0, 0);
  workTree();
  TBackup::Executar(false);
  std::string command = "unzip -p '" + box.host(archivePath) + "' trabalhadores/f.pdf";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_TRUE(pipe);
  char buffer[64] = {};
  size_t n = fread(buffer, 1, sizeof buffer - 1, pipe);
  pclose(pipe);
  EXPECT_EQ(std::string(buffer, n), "jetty copy");
}

TEST(BackupAttempts, stop_at_the_first_good_dump) {
  struct Case {
    const char* what;
    long first, bare, second, secondPassword4;
    int succeedsAt;  // 0: none
  };
  const Case cases[] = {
      {"exactly the threshold", 1000000, 0, 0, 0, 1},
      {"bare name found on the search path", 999999, 1000000, 0, 0, 2},
      {"third with the first password", 0, 0, 1200000, 0, 3},
      {"only the second server's own password", 999999, 10, 0, 2000000, 4},
      {"all short", 999999, 999999, 999999, 999999, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::MainWindowSandbox box;
    dumpPrograms(box, c.first, c.bare, c.second, c.secondPassword4);

    TBackup::Executar(true);

    Lines expected;
    for (int n = 1; n <= (c.succeedsAt ? c.succeedsAt : 4); ++n) {
      auto lines = attemptLines(n, n != c.succeedsAt);
      expected.insert(expected.end(), lines.begin(), lines.end());
    }
    if (c.succeedsAt) {
      expected.push_back(successLine);
      EXPECT_TRUE(stdfs::exists(box.host(archivePath)));
    } else {
      expected.push_back("Nenhuma tentativa de backup teve êxito!");
      EXPECT_EQ(box.desktop.calls, Lines{"message: Nenhuma tentativa de backup teve êxito!"});
      EXPECT_FALSE(stdfs::exists(box.host(archivePath)));
      EXPECT_EQ(stdfs::file_size(box.host(std::string(paths::dumpFile))), 999999u);
    }
    expected.push_back("Fim...");
    EXPECT_EQ(box.log(), expected);
    EXPECT_TRUE(box.lastLineSelected());
    EXPECT_FALSE(stdfs::exists(box.host(std::string(paths::pgpassFile))));
  }
}

// A pg_dump that stops half-way (a full disk, a lost connection, a table it may not read) leaves a
// dump that may well pass the size rule; its exit code says that it is not whole.
TEST(BackupAttempts, a_dump_whose_program_failed_is_not_good_whatever_its_size) {
  struct Case {
    const char* what;
    const char* bareEnd;  // how the bare-name pg_dump ends after its 1,000,000 bytes
    int succeedsAt;       // 0: none
  };
  const Case cases[] = {
      {"the first cut short, the second whole", "exit 0", 2},
      {"every one cut short", "exit 1", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::MainWindowSandbox box;
    dumpPrograms(box, 0, 0, 0, 0);
    box.writeProgram("C:\\Meridano\\Tarvio\\pg10\\bin\\pg_dump.exe", dumpOf("1500000") + "\nexit 1");
    box.writeProgram("C:\\searchpath\\pg_dump.exe", dumpOf("1000000") + "\n" + c.bareEnd);
    box.writeProgram("C:\\Meridano\\Tarvio\\pgsql\\bin\\pg_dump.exe", dumpOf("2000000") + "\nexit 1");

    TBackup::Executar(false);

    Lines expected;
    for (int n = 1; n <= (c.succeedsAt ? c.succeedsAt : 4); ++n) {
      auto lines = attemptLines(n, n != c.succeedsAt);
      expected.insert(expected.end(), lines.begin(), lines.end());
    }
    expected.push_back(c.succeedsAt ? successLine : "Nenhuma tentativa de backup teve êxito!");
    EXPECT_EQ(box.log(), expected);
    EXPECT_EQ(stdfs::exists(box.host(archivePath)), c.succeedsAt != 0);
  }
}

TEST_F(BackupRun, failed_dump_touches_no_folder_in_either_mode) {
  programs(0, 0, 0, 0);
  workTree();
  TBackup::Executar(false);
  EXPECT_EQ(box.log().back(), "Nenhuma tentativa de backup teve êxito!");
  EXPECT_EQ(box.log().size(), 13u);
  EXPECT_TRUE(box.desktop.calls.empty());
  EXPECT_TRUE(exists(std::string(paths::pendingFolders[0]) + "\\p.xml"));
  EXPECT_EQ(box.tree(std::string(paths::backupDir)), (Lines{"historico.txt", "tarvio.backup"}));
}

TEST_F(BackupRun, safety_backup_keeps_the_dump_and_shows_nothing) {
  programs(1500000, 0, 0, 0);
  TBackup::Executar(false);
  EXPECT_EQ(box.log(), concat({attemptLines(1, false), {successLine}}));
  EXPECT_TRUE(box.desktop.calls.empty());
  EXPECT_EQ(stdfs::file_size(box.host(std::string(paths::dumpFile))), 1500000u);
  EXPECT_TRUE(exists(archivePath));
}

TEST_F(BackupRun, a_missing_vendor_root_stops_at_the_first_script) {
  stdfs::remove_all(box.host(std::string(paths::vendorRoot)));
  EXPECT_FALSE(runHandler([] { TBackup::Executar(true); }));
  // Without the installation there is no backup folder for the history either, and the log says so.
  EXPECT_EQ(box.log(), concat({attemptLines(1, false),
                               {"O histórico C:\\Meridano\\Tarvio\\backup\\historico.txt não pôde ser gravado: Cannot "
                                "write file \"C:\\Meridano\\Tarvio\\backup\\historico.txt\". The system cannot find the "
                                "path specified"}}));
  ASSERT_EQ(box.desktop.calls.size(), 1u);
  EXPECT_EQ(box.desktop.calls[0].rfind("error: Cannot create file \"C:\\Meridano\\backup.bat\". ", 0), 0u)
      << box.desktop.calls[0];
}

TEST_F(BackupRun, an_archive_that_cannot_be_written_leaves_no_archive_and_keeps_the_dump) {
  programs(1000000, 0, 0, 0);
  workTree();
  // A folder where the archive should go: the archive cannot take its name.
  stdfs::create_directories(box.host(archivePath));
  EXPECT_FALSE(runHandler([] { TBackup::Executar(true); }));
  EXPECT_EQ(box.log(), attemptLines(1, false));
  ASSERT_EQ(box.desktop.calls.size(), 1u);
  EXPECT_EQ(box.desktop.calls[0].rfind("error: ", 0), 0u);
  EXPECT_TRUE(exists(std::string(paths::dumpFile)));
  EXPECT_TRUE(stdfs::is_directory(box.host(archivePath)));
  // Nothing half-written stays in the backup folder.
  EXPECT_EQ(box.tree(std::string(paths::backupDir)),
            (Lines{"historico.txt", "tarvio-20240305-090703.zip/", "tarvio.backup"}));
}

TEST_F(BackupRun, another_run_holding_the_lock_is_refused_before_anything_is_touched) {
  programs(1000000, 0, 0, 0);
  workTree();
  // Another program's run: a second lock on the same drive, as another process would take it.
  auto otherProgram = makeNativeRunLocks(box.root());
  auto held = otherProgram->tryAcquire();
  ASSERT_NE(held, nullptr);
  EXPECT_FALSE(runHandler([] { TBackup::Executar(true); }));
  EXPECT_TRUE(box.log().empty());
  EXPECT_EQ(box.desktop.calls,
            Lines{"error: Já existe um backup ou uma restauração em andamento neste servidor. Aguarde o "
                  "término e tente novamente."});
  EXPECT_FALSE(exists(std::string(paths::dumpFile)));
  EXPECT_TRUE(exists(std::string(paths::pendingFolders[0]) + "\\p.xml"));
  // Once the other run has ended, a run goes ahead.
  held.reset();
  EXPECT_TRUE(runHandler([] { TBackup::Executar(false); }));
  EXPECT_TRUE(exists(archivePath));
}

// A backup is proven before the run says "êxito": its archive read back from the disk, its dump read
// by the restore's pg_restore. One that fails is removed, the dump kept, and the run ends in an error.
TEST_F(BackupRun, a_backup_that_cannot_be_proven_is_removed_and_its_dump_kept) {
  struct Case {
    const char* what;
    std::function<void(test::FailingFileSystem&)> arrange;
    std::string reason;
  };
  const Case cases[] = {
      {"a byte of the archive changed on the disk",
       [this](test::FailingFileSystem& fs) {
         fs.afterRename = [this](std::string_view renamed) {
           std::fstream archive(box.host(std::string(renamed)), std::ios::in | std::ios::out | std::ios::binary);
           archive.seekp(100);  // inside the dump's compressed data
           archive.write(std::string(64, '\xff').data(), 64);
         };
       },
       "o arquivo gravado não pôde ser lido de volta ("},
      {"pg_restore cannot read the dump",
       [this](test::FailingFileSystem&) {
         box.writeProgram("C:\\Meridano\\Tarvio\\pg10\\bin\\pg_restore.exe", "exit 1");
       },
       "o pg_restore não conseguiu ler o backup do banco de dados (código 1)"},
      {"the restore's pg_restore is missing",
       [this](test::FailingFileSystem&) {
         stdfs::remove(box.host("C:\\Meridano\\Tarvio\\pg10\\bin\\pg_restore.exe"));
       },
       "o programa C:\\Meridano\\Tarvio\\pg10\\bin\\pg_restore.exe, com o qual a restauração lê o backup, não foi "
       "encontrado"},
  };
  programs(1000000, 0, 0, 0);
  workTree();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::FailingFileSystem failing(fs());
    c.arrange(failing);
    box.desktop.calls.clear();
    {
      test::ScopedPlatform withFailures([&](Platform& p) { p.fs = &failing; });
      EXPECT_FALSE(runHandler([] { TBackup::Executar(true); }));
    }
    ASSERT_EQ(box.desktop.calls.size(), 1u);
    EXPECT_EQ(box.desktop.calls[0].rfind("error: O backup não pôde ser comprovado: " + c.reason, 0), 0u)
        << box.desktop.calls[0];
    EXPECT_NE(box.desktop.calls[0].find(". O arquivo " + std::string(archivePath) +
                                        " foi apagado; o backup do banco de dados continua em "
                                        "C:\\Meridano\\Tarvio\\backup\\tarvio.backup."),
              std::string::npos)
        << box.desktop.calls[0];
    EXPECT_EQ(std::count_if(box.log().begin(), box.log().end(),
                            [](const std::string& l) { return l.rfind("Backup efetuado com êxito!", 0) == 0; }),
              0);
    EXPECT_EQ(box.tree(std::string(paths::backupDir)), (Lines{"historico.txt", "tarvio.backup"}));
    box.writeProgram("C:\\Meridano\\Tarvio\\pg10\\bin\\pg_restore.exe", box.pgRestoreListLine());
  }
}

TEST_F(BackupRun, a_disk_that_fills_up_while_the_archive_is_written_leaves_no_archive_and_keeps_the_dump) {
  programs(3000000, 0, 0, 0);
  workTree();
  test::FailingFileSystem failing(fs());
  failing.diskFullBelow = std::string(paths::backupDir);
  failing.diskFullAfter = 2000;
  {
    test::ScopedPlatform fullDisk([&](Platform& p) { p.fs = &failing; });
    EXPECT_FALSE(runHandler([] { TBackup::Executar(true); }));
  }
  ASSERT_EQ(box.desktop.calls.size(), 1u);
  EXPECT_NE(box.desktop.calls[0].find("There is not enough space on the disk"), std::string::npos)
      << box.desktop.calls[0];
  EXPECT_EQ(box.tree(std::string(paths::backupDir)), (Lines{"historico.txt", "tarvio.backup"}));
  EXPECT_EQ(stdfs::file_size(box.host(std::string(paths::dumpFile))), 3000000u);
}

TEST_F(BackupRun, temporary_files_of_a_killed_run_are_removed_by_the_next_run_and_nothing_else) {
  programs(1000000, 0, 0, 0);
  const std::string backup = std::string(paths::backupDir) + "\\";
  for (const char* name : {"tarvio-20240101-010203.zip.tmp", "tarvio-20240101-010203.zip.spool.tmp",
                           "tarvio-2024.zip.tmp", "notas.tmp", "tarvio-20240101-010203.zip"}) {
    box.writeFile(backup + name, "x");
  }
  TBackup::Executar(false);
  EXPECT_EQ(box.tree(std::string(paths::backupDir)),
            (Lines{"historico.txt", "notas.tmp", "tarvio-2024.zip.tmp", "tarvio-20240101-010203.zip", "tarvio-20240305-090703.zip",
                   "tarvio.backup"}));
}

// The server keeps running during a backup: a work file it deletes after the listing is left out, and
// the run goes on.
TEST_F(BackupRun, a_work_file_deleted_while_the_backup_runs_is_left_out) {
  programs(1000000, 0, 0, 0);
  workTree();
  test::FailingFileSystem failing(fs());
  // The archive is created after the listing and before the files are read.
  failing.before = [this](std::string_view operation, std::string_view path) {
    if (operation == "createFile" && path.find(".zip.tmp") != std::string_view::npos) {
      stdfs::remove(box.host(std::string(paths::tomcatWorkDir) + "\\reinf\\b.xml"));
    }
  };
  {
    test::ScopedPlatform serverDeletes([&](Platform& p) { p.fs = &failing; });
    EXPECT_TRUE(runHandler([] { TBackup::Executar(false); })) << box.desktop.calls.back();
  }
  Lines names = entryNames(box.host(archivePath));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (Lines{"backup/tarvio.backup", "esocial/a.xml", "manifestacaodestinatario/vazia/",
                          "tarvio_nfse/n.xml", "trabalhadores/f.pdf", "trabalhadores/only-tomcat.pdf"}));
}

TEST_F(BackupRun, links_to_folders_are_not_followed) {
  programs(1000000, 0, 0, 0);
  workTree();
  // A link to an ancestor would repeat the tree without end; a link elsewhere is not this tree's.
  stdfs::create_directory_symlink(box.host(std::string(paths::tomcatWorkDir)),
                                  box.host(std::string(paths::tomcatWorkDir) + "\\esocial\\laco"));
  stdfs::create_directory_symlink(box.host("C:\\Meridano"), box.host(std::string(paths::tomcatWorkDir) + "\\reinf\\fora"));
  EXPECT_TRUE(runHandler([] { TBackup::Executar(false); })) << box.desktop.calls.back();
  Lines names = entryNames(box.host(archivePath));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (Lines{"backup/tarvio.backup", "esocial/a.xml", "manifestacaodestinatario/vazia/",
                          "reinf/b.xml", "tarvio_nfse/n.xml", "trabalhadores/f.pdf", "trabalhadores/only-tomcat.pdf"}));
}

TEST_F(BackupRun, two_runs_in_one_second_replace_the_archive) {
  programs(1000000, 0, 0, 0);
  box.writeFile(std::string(paths::tomcatWorkDir) + "\\esocial\\first.xml", "1");
  TBackup::Executar(false);
  stdfs::remove(box.host(std::string(paths::tomcatWorkDir) + "\\esocial\\first.xml"));
  box.writeFile(std::string(paths::tomcatWorkDir) + "\\esocial\\second.xml", "2");
  TBackup::Executar(false);
  Lines names = entryNames(box.host(archivePath));
  EXPECT_EQ(names, (Lines{"backup/tarvio.backup", "esocial/second.xml"}));
}

}  // namespace
}  // namespace tarvio

namespace tarvio {
namespace {

// Each way a backup ends adds one line to the history and one event to the event log, with the
// archive, the outcome and the error that ended it.
TEST(BackupHistory, every_outcome_of_a_backup_is_recorded_with_its_event) {
  struct Case {
    const char* what;
    long dumpBytes;
    std::function<void(test::MainWindowSandbox&, std::unique_ptr<HeldRunLock>&)> arrange;
    bool abrirExplorer;
    const char* kind;
    const char* outcome;
    bool archiveKept;
    const char* errorStart;
    const char* event;
  };
  const Case cases[] = {
      {"success", 1000000, nullptr, true, "backup", "sucesso", true, "", "information 100"},
      {"a safety backup", 1000000, nullptr, false, "backup de segurança", "sucesso", true, "", "information 100"},
      {"no dump reaches the threshold", 999999, nullptr, true, "backup", "falha", false,
       "Nenhuma tentativa de backup teve êxito!", "error 101"},
      {"the archive cannot be written", 1000000,
       [](test::MainWindowSandbox& box, std::unique_ptr<HeldRunLock>&) {
         stdfs::create_directories(box.host(archivePath));
       },
       true, "backup", "falha", false, "Cannot ", "error 101"},
      {"another run holds the server", 1000000,
       [](test::MainWindowSandbox& box, std::unique_ptr<HeldRunLock>& held) {
         held = makeNativeRunLocks(box.root())->tryAcquire();
       },
       true, "backup", "recusada", false, "Já existe um backup ou uma restauração em andamento", "error 101"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::MainWindowSandbox box;
    dumpPrograms(box, c.dumpBytes, 0, 0, 0);
    std::unique_ptr<HeldRunLock> otherRun;
    if (c.arrange) c.arrange(box, otherRun);
    runHandler([&] { TBackup::Executar(c.abrirExplorer); });
    otherRun.reset();

    auto recent = history::readRecent(10);
    ASSERT_EQ(recent.entries.size(), 1u);
    const history::Entry& e = recent.entries[0];
    EXPECT_EQ(history::kindText(e.kind), c.kind);
    EXPECT_EQ(history::originText(e.origin), "janela");
    EXPECT_EQ(history::outcomeText(e.outcome), c.outcome);
    EXPECT_EQ(e.started, box.clock.current);
    EXPECT_EQ(e.error.rfind(c.errorStart, 0), 0u) << e.error;
    if (c.archiveKept) {
      EXPECT_EQ(e.archive, archivePath);
      EXPECT_EQ(e.archiveBytes, static_cast<int64_t>(stdfs::file_size(box.host(archivePath))));
      EXPECT_TRUE(e.error.empty());
    } else {
      EXPECT_FALSE(e.archiveBytes.has_value());
    }
    ASSERT_EQ(box.eventLog.events.size(), 1u);
    EXPECT_EQ(box.eventLog.events[0].rfind(std::string(c.event) + ": ", 0), 0u) << box.eventLog.events[0];
  }
}

// The console program's scheduled run records itself as such.
TEST(BackupHistory, the_line_says_how_the_run_was_started) {
  test::MainWindowSandbox box;
  dumpPrograms(box, 1000000, 0, 0, 0);
  history::OriginScope fromACommand(history::RunOrigin::commandLine);
  TBackup::Executar(true);
  auto recent = history::readRecent(1);
  ASSERT_EQ(recent.entries.size(), 1u);
  EXPECT_EQ(recent.entries[0].origin, history::RunOrigin::commandLine);
}

}  // namespace
}  // namespace tarvio
