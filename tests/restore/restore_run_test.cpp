// The restore run with recording stand-ins for the server's tools and PostgreSQL's programs.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

#include "app/error_display.h"
#include "backup/backup.h"
#include "common/paths.h"
#include "common/silent_abort.h"
#include "history/run_history.h"
#include "platform/native.h"
#include "restore/restauracao.h"
#include "tests/support/archive_builder.h"
#include "tests/support/failing_file_system.h"
#include "tests/support/host_file.h"
#include "tests/support/main_window.h"
#include "tests/support/scoped_platform.h"
#include "tests/support/wait_until.h"

namespace tarvio {
namespace {

namespace stdfs = std::filesystem;
using Lines = std::vector<std::string>;

const std::string tomcat(paths::tomcatWorkDir);
// The check, after the drop, that the database is gone, as the psql stand-in records it.
const std::string goneCheck =
    "psql -U postgres -p 5432 -c DO $$BEGIN IF EXISTS (SELECT 1 FROM pg_database WHERE datname = 'tarvio') THEN "
    "RAISE EXCEPTION 'o banco de dados ainda existe'; END IF; END$$; PGPASSWORD=plovertin";
const std::string jetty(paths::jettyWorkDir);

Lines readLines(const std::string& hostPath) {
  Lines lines;
  std::ifstream in(hostPath);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}


class RestoreRun : public ::testing::Test {
 protected:
  void SetUp() override {
    box.clock.current = {2024, 3, 5, 9, 0, 0, 0};
    record = box.host("C:\\record.log");
    flag = box.host("C:\\config-may-start");
    dumpFill("a");
    dumpSize(1200000);
    // The dump stand-in writes the custom-format signature and then filler bytes.
    box.writeProgram("C:\\Meridano\\Tarvio\\pg10\\bin\\pg_dump.exe",
                     "printf PGDMP; head -c $(cat " + box.host("C:\\dump-size") + ") /dev/zero | tr '\\0' $(cat " +
                         box.host("C:\\dump-fill") + ")");
    for (auto program : {"psql", "dropdb", "createdb"}) {
      box.writeProgram(std::string("C:\\Meridano\\Tarvio\\pg10\\bin\\") + program + ".exe",
                       std::string("echo \"") + program + " $* PGPASSWORD=$PGPASSWORD\" >> " + record);
    }
    box.writeProgram("C:\\Meridano\\Tarvio\\pg10\\bin\\pg_restore.exe",
                     box.pgRestoreListLine() + "\necho \"pg_restore $* pgpass=$(tr -d '\\r' < \"$PGPASSFILE\")\" >> " + record +
                         "\nfor last; do :; done; cp \"$last\" " + record + ".restored");
    box.writeProgram("C:\\Windows\\System32\\taskkill.exe", "echo \"taskkill.exe $*\" >> " + record);
    box.writeProgram("C:\\Windows\\System32\\net", "echo \"net $*\" >> " + record);
    box.writeProgram("C:\\Meridano\\Tarvio\\config\\Tarvio_Server_Config.exe",
                     // Ends also when the sandbox goes away first, so no stand-in outlives its test.
                     "while [ ! -e " + flag + " ]; do [ -d " + box.root() + " ] || exit 0; sleep 0.02; done\n"
                     "echo \"Tarvio_Server_Config.exe $*\" >> " + record);
  }
  void TearDown() override {
    // Let a configuration program stand-in that still waits end, before its sandbox goes away.
    std::ofstream(flag).put('x');
    test::waitUntil([] { return server().runningProcesses({std::string(paths::serverConfigImage)}).empty(); });
  }

  void dumpFill(const std::string& c) { box.writeFile("C:\\dump-fill", c); }
  void dumpSize(long n) { box.writeFile("C:\\dump-size", std::to_string(n)); }

  void workTree() {
    box.writeFile(tomcat + "\\esocial\\a.xml", "<a/>");
    box.writeFile(tomcat + "\\reinf\\b.xml", "<b/>");
    box.writeFile(tomcat + "\\trabalhadores\\f.pdf", "tomcat copy");
    box.writeFile(tomcat + "\\outra\\not-archived.txt", "x");
    stdfs::create_directories(box.host(tomcat + "\\manifestacaodestinatario\\vazia"));
    box.writeFile(jetty + "\\trabalhadores\\f.pdf", "jetty copy");
    box.writeFile(jetty + "\\tarvio_nfse\\n.xml", "<n/>");
  }

  // A backup archive made by the backup run at 08:00:00, with dump filler "a".
  std::string makeArchive() {
    box.clock.current = {2024, 3, 5, 8, 0, 0, 0};
    TBackup::Executar(false);
    stdfs::remove(box.host(std::string(paths::dumpFile)));
    box.principal.ListBox().clear();
    box.clock.current = {2024, 3, 5, 9, 0, 0, 0};
    dumpFill("s");  // the safety backup's dump differs from the archived one
    return "C:\\Meridano\\Tarvio\\backup\\tarvio-20240305-080000.zip";
  }

  bool runRestore(const std::string& chosen) {
    box.desktop.fileAnswers = {chosen};
    return runHandler([] { TRestauracao::Executar(); });
  }

  Lines recorded() const { return readLines(record); }

  // Waits (bounded) until the configuration program stand-in has recorded its start.
  bool configStarted() {
    return test::waitUntil([this] {
      auto lines = recorded();
      return !lines.empty() && lines.back().rfind("Tarvio_Server_Config.exe", 0) == 0;
    });
  }

  Lines expectedLog(bool fromArchive) {
    Lines lines{"Realizando Backup de Segurança Antes da Restauração...", "Iniciando método 1 de backup...",
                "Aguarde, efetuando backup...",
                "Backup efetuado com êxito! Disponível em C:\\Meridano\\Tarvio\\backup\\tarvio-20240305-090000.zip.",
                "Parando o Tarvio Server...", "Matando possíveis conexões ao banco de dados...",
                "Destruindo o banco de dados existente...", "Criando um novo o banco de dados..."};
    if (fromArchive) lines.push_back("Descompactando o Arquivo de Backup...");
    for (const char* l :
         {"Restaurando o Banco de Dados. Aguarde, esta operação pode demorar alguns minutos...",
          "Banco de Dados Restaurado!", "Iniciando o Tarvio Server...",
          "Restauração do Banco de Dados Finalizada! Aguarde o sistema inicializar e verifique as informações "
          "restauradas."}) {
      lines.push_back(l);
    }
    return lines;
  }

  Lines expectedCalls() const {
    return {"taskkill.exe /f /im Tarvio.exe",
            "taskkill.exe /f /im Tarvio_Server_Config.exe",
            "taskkill.exe /f /im tomcat9.exe",
            "net stop tomcat9",
            "psql -U postgres -p 5432 -c SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE "
            "datname = 'tarvio'; PGPASSWORD=plovertin",
            "dropdb -U postgres -p 5432 tarvio PGPASSWORD=plovertin",
            goneCheck,
            "createdb -U postgres -p 5432 tarvio PGPASSWORD=plovertin",
            "pg_restore -U postgres -p 5432 -d tarvio " + box.host(std::string(paths::restoreFile)) +
                " pgpass=localhost:5432:tarvio:postgres:plovertin",
            "net start tomcat9"};
  }

  void expectWorkFilesGone() {
    for (auto path : {paths::dumpFile, paths::restoreFile, paths::extractDir, paths::pgpassFile, paths::scriptFile}) {
      EXPECT_FALSE(stdfs::exists(box.host(std::string(path)))) << path;
    }
  }

  test::MainWindowSandbox box;
  std::string record;
  std::string flag;
};

TEST_F(RestoreRun, from_an_archive_brings_back_the_dump_and_the_work_folders) {
  workTree();
  std::string archive = makeArchive();
  // After the backup: work files added and removed, a leftover of an interrupted restore.
  box.writeFile(tomcat + "\\esocial\\depois.xml", "novo");
  stdfs::remove(box.host(tomcat + "\\reinf\\b.xml"));
  box.writeFile(std::string(paths::extractDir) + "\\esocial\\stale.xml", "velho");
  box.writeFile(std::string(paths::extractDumpDir) + "\\aaa.backup", "PGDMP velho");
  box.writeFile(std::string(paths::restoreFile), "PGDMP velho");

  ASSERT_TRUE(runRestore(archive)) << (box.desktop.calls.empty() ? "" : box.desktop.calls.back());

  EXPECT_EQ(box.log(), expectedLog(true));
  EXPECT_TRUE(box.lastLineSelected());
  EXPECT_EQ(recorded(), expectedCalls());  // the configuration program has not started yet
  std::ofstream(flag).put('x');
  EXPECT_TRUE(configStarted());

  std::string restored = test::readHostFile(record + ".restored");
  EXPECT_EQ(restored.substr(0, 5), "PGDMP");
  EXPECT_EQ(restored.size(), 1200005u);
  EXPECT_EQ(restored.find('s'), std::string::npos) << "the safety backup's dump was restored";
  EXPECT_EQ(box.tree(tomcat), (Lines{"esocial/", "esocial/a.xml", "manifestacaodestinatario/",
                                           "manifestacaodestinatario/vazia/", "reinf/", "reinf/b.xml",
                                           "tarvio_nfse/", "tarvio_nfse/n.xml", "trabalhadores/",
                                           "trabalhadores/f.pdf"}));
  EXPECT_EQ(test::readHostFile(box.host(tomcat + "\\trabalhadores\\f.pdf")), "jetty copy");
  EXPECT_EQ(box.tree(jetty),
            (Lines{"tarvio_nfse/", "tarvio_nfse/n.xml", "trabalhadores/", "trabalhadores/f.pdf"}));
  expectWorkFilesGone();
  EXPECT_EQ(box.tree(std::string(paths::backupDir)),
            (Lines{"historico.txt", "tarvio-20240305-080000.zip", "tarvio-20240305-090000.zip"}));
}

TEST_F(RestoreRun, from_a_bare_dump_file_with_a_capital_extension) {
  workTree();
  box.writeFile("C:\\copias\\Tarvio.BACKUP", "PGDMP" + std::string(1000, 'z'));
  ASSERT_TRUE(runRestore("C:\\copias\\Tarvio.BACKUP"));
  EXPECT_EQ(box.log(), expectedLog(false));
  EXPECT_EQ(recorded(), expectedCalls());
  EXPECT_EQ(test::readHostFile(record + ".restored"), "PGDMP" + std::string(1000, 'z'));
  EXPECT_TRUE(stdfs::exists(box.host("C:\\copias\\Tarvio.BACKUP")));
  EXPECT_TRUE(stdfs::exists(box.host(tomcat + "\\outra\\not-archived.txt")));  // work folders untouched
  expectWorkFilesGone();
}

TEST_F(RestoreRun, an_archive_whose_path_holds_dot_backup_restores_the_archived_dump) {
  std::string archive = makeArchive();
  stdfs::create_directories(box.host("C:\\velhos.backup"));
  stdfs::copy_file(box.host(archive), box.host("C:\\velhos.backup\\copia.zip"));
  ASSERT_TRUE(runRestore("C:\\velhos.backup\\copia.zip")) << box.desktop.calls.back();
  EXPECT_EQ(box.log(), expectedLog(true));
  EXPECT_EQ(test::readHostFile(record + ".restored").size(), 1200005u);
}

TEST_F(RestoreRun, cancelled_file_dialog_changes_nothing) {
  box.desktop.fileAnswers = {std::nullopt};
  EXPECT_THROW(TRestauracao::Executar(), SilentAbort);
  EXPECT_TRUE(box.log().empty());
  EXPECT_TRUE(recorded().empty());
  EXPECT_FALSE(stdfs::exists(box.host(std::string(paths::backupDir))));
}

// One line for the restore and one for its safety backup, each with its archive: the chosen backup
// for the restore, the safety archive for the safety backup. A dialog cancelled records nothing.
TEST_F(RestoreRun, the_history_holds_the_restore_and_its_safety_backup) {
  std::string archive = makeArchive();
  box.desktop.fileAnswers = {std::nullopt};
  EXPECT_FALSE(runHandler([] { TRestauracao::Executar(); }));
  ASSERT_TRUE(runRestore(archive));

  auto recent = history::readRecent(10);
  ASSERT_EQ(recent.entries.size(), 3u);  // the archive's own backup, then the safety backup and the restore
  const auto& safety = recent.entries[1];
  const auto& restore = recent.entries[2];
  EXPECT_EQ(safety.kind, history::RunKind::safetyBackup);
  EXPECT_EQ(safety.outcome, history::Outcome::success);
  EXPECT_EQ(safety.archive, "C:\\Meridano\\Tarvio\\backup\\tarvio-20240305-090000.zip");
  EXPECT_EQ(restore.kind, history::RunKind::restore);
  EXPECT_EQ(restore.outcome, history::Outcome::success);
  EXPECT_EQ(restore.archive, archive);
  EXPECT_EQ(restore.archiveBytes, static_cast<int64_t>(stdfs::file_size(box.host(archive))));
  EXPECT_EQ(box.eventLog.events.size(), 3u);
}

TEST_F(RestoreRun, a_restore_stopped_after_a_failed_safety_backup_is_recorded_as_cancelled) {
  dumpSize(10);
  box.writeFile("C:\\copias\\t.backup", "PGDMP1");
  box.desktop.yesNoAnswers = {false};
  EXPECT_FALSE(runRestore("C:\\copias\\t.backup"));
  auto recent = history::readRecent(10);
  ASSERT_EQ(recent.entries.size(), 2u);
  EXPECT_EQ(recent.entries[0].kind, history::RunKind::safetyBackup);
  EXPECT_EQ(recent.entries[0].outcome, history::Outcome::failure);
  EXPECT_EQ(recent.entries[1].kind, history::RunKind::restore);
  EXPECT_EQ(recent.entries[1].outcome, history::Outcome::cancelled);
  EXPECT_EQ(recent.entries[1].archive, "C:\\copias\\t.backup");
  ASSERT_EQ(box.eventLog.events.size(), 2u);
  EXPECT_EQ(box.eventLog.events[1].rfind("warning 104: Restauração (janela): cancelada.", 0), 0u)
      << box.eventLog.events[1];
}

TEST_F(RestoreRun, failed_safety_backup_answered_no_stops_before_the_server) {
  dumpSize(10);
  box.writeFile("C:\\copias\\t.backup", "PGDMP1");
  box.desktop.yesNoAnswers = {false};
  box.desktop.fileAnswers = {"C:\\copias\\t.backup"};
  EXPECT_THROW(TRestauracao::Executar(), SilentAbort);
  EXPECT_EQ(box.log().front(), "Realizando Backup de Segurança Antes da Restauração...");
  EXPECT_EQ(box.log().back(), "Restauração Interrompida...");
  EXPECT_TRUE(box.lastLineSelected());
  EXPECT_EQ(box.desktop.calls.back(),
            "yesno: Erro! | O Backup de segurança falhou, deseja continuar a restauração? (Não recomendado).");
  EXPECT_TRUE(recorded().empty());
  EXPECT_EQ(box.tree(std::string(paths::backupDir)), Lines{"historico.txt"});
}

TEST_F(RestoreRun, failed_safety_backup_answered_yes_goes_on_without_a_safety_archive) {
  dumpSize(10);
  box.writeFile("C:\\copias\\t.backup", "PGDMP1");
  box.desktop.yesNoAnswers = {true};
  ASSERT_TRUE(runRestore("C:\\copias\\t.backup"));
  EXPECT_EQ(recorded(), expectedCalls());
  EXPECT_EQ(box.tree(std::string(paths::backupDir)), Lines{"historico.txt"});
}

TEST_F(RestoreRun, closing_the_window_during_the_safety_backup_stops_before_the_server) {
  box.writeFile("C:\\copias\\t.backup", "PGDMP1");
  box.desktop.onProcessMessages = [this] { box.desktop.isTerminated = true; };
  box.desktop.fileAnswers = {"C:\\copias\\t.backup"};
  EXPECT_THROW(TRestauracao::Executar(), SilentAbort);
  EXPECT_EQ(box.log().back(), "Restauração Interrompida...");
  EXPECT_TRUE(recorded().empty());
}

TEST_F(RestoreRun, closing_the_window_after_the_server_stopped_lets_the_restore_finish) {
  box.writeFile("C:\\copias\\t.backup", "PGDMP1");
  box.desktop.fileAnswers = {"C:\\copias\\t.backup"};
  box.desktop.onProcessMessages = [this] {
    if (box.log().back() == "Parando o Tarvio Server...") box.desktop.isTerminated = true;
  };
  EXPECT_TRUE(runHandler([] { TRestauracao::Executar(); })) << box.desktop.calls.back();
  EXPECT_EQ(recorded(), expectedCalls());
  EXPECT_EQ(box.log(), expectedLog(false));
}

TEST_F(RestoreRun, a_choice_that_cannot_yield_a_dump_is_refused_before_anything_changes) {
  std::string archive = makeArchive();
  box.writeFile("C:\\copias\\notas.txt", "texto");
  box.writeFile("C:\\copias\\lixo.zip", "isto não é um zip");
  box.writeFile("C:\\copias\\falso.backup", "não é um dump");
  box.writeFile(std::string(paths::dumpFile), "PGDMP do backup anterior");
  // Archives made by another tool: one without the dump, one with a name that climbs out.
  std::string python =
      "python3 -c 'import sys, zipfile\n"
      "z = zipfile.ZipFile(sys.argv[1], \"w\"); z.writestr(\"esocial/a.xml\", \"x\"); z.close()\n"
      "z = zipfile.ZipFile(sys.argv[2], \"w\"); z.writestr(\"backup/tarvio.backup\", \"PGDMP\"); "
      "z.writestr(\"../../fora.txt\", \"x\"); z.close()' " +
      box.host("C:\\copias\\sem-dump.zip") + " " + box.host("C:\\copias\\hostil.zip");
  ASSERT_EQ(std::system(python.c_str()), 0);
  // An archive with a damaged entry.
  stdfs::copy_file(box.host(archive), box.host("C:\\copias\\danificado.zip"));
  {
    std::fstream damaged(box.host("C:\\copias\\danificado.zip"), std::ios::in | std::ios::out | std::ios::binary);
    damaged.seekp(200);
    damaged.write("XXXXXXXX", 8);
  }
  const Lines refused = {"C:\\copias\\notas.txt",    "C:\\copias\\inexistente.zip", "C:\\copias\\lixo.zip",
                         "C:\\copias\\sem-dump.zip", "C:\\copias\\hostil.zip",      "C:\\copias\\danificado.zip",
                         "C:\\copias\\falso.backup", std::string(paths::dumpFile)};
  for (const auto& chosen : refused) {
    SCOPED_TRACE(chosen);
    box.desktop.calls.clear();
    EXPECT_FALSE(runRestore(chosen));
    ASSERT_EQ(box.desktop.calls.size(), 2u);
    EXPECT_EQ(box.desktop.calls[1].rfind("error: ", 0), 0u);
    EXPECT_NE(box.desktop.calls[1].find(chosen), std::string::npos) << box.desktop.calls[1];
    EXPECT_NE(box.desktop.calls[1].find("Nada foi alterado."), std::string::npos) << box.desktop.calls[1];
    EXPECT_TRUE(box.log().empty());
    EXPECT_TRUE(recorded().empty());
  }
  EXPECT_FALSE(stdfs::exists(box.host("C:\\fora.txt")));
  EXPECT_FALSE(stdfs::exists(box.host(std::string(paths::extractDir))));
}

TEST_F(RestoreRun, a_refused_copy_starts_the_server_again_and_names_the_safety_archive) {
  box.writeFile("C:\\copias\\t.backup", "PGDMP1");
  // The chosen file disappears while the database is being re-created.
  box.writeProgram("C:\\Meridano\\Tarvio\\pg10\\bin\\createdb.exe", "rm " + box.host("C:\\copias\\t.backup"));
  EXPECT_FALSE(runRestore("C:\\copias\\t.backup"));
  EXPECT_EQ(box.desktop.calls.back(),
            "error: A restauração falhou: The specified file was not found. O backup de segurança feito antes desta "
            "restauração está em C:\\Meridano\\Tarvio\\backup\\tarvio-20240305-090000.zip: restaure-o para voltar ao "
            "estado anterior.");
  EXPECT_EQ(box.log().back(), "Iniciando o Tarvio Server...");
  Lines calls = recorded();
  EXPECT_EQ(calls.back(), "net start tomcat9");
}

// Every failure after the server was stopped: reported as an error that names the safety archive,
// the server started again, and neither "Restaurado!" nor "Finalizada!" in the log.
TEST_F(RestoreRun, every_failure_after_the_drop_tells_the_truth_and_starts_the_server_again) {
  const std::string pg10 = "C:\\Meridano\\Tarvio\\pg10\\bin\\";
  struct Case {
    const char* what;
    bool fromArchive;
    std::function<void(test::FailingFileSystem&)> arrange;
    std::string expected;  // a part of the error text
  };
  const Case cases[] = {
      {"the disk fills up during the extraction", true,
       [](test::FailingFileSystem& fs) {
         fs.diskFullBelow = std::string(paths::extractDir);
         fs.diskFullAfter = 100000;
       },
       "There is not enough space on the disk"},
      {"a work folder that cannot be moved", true,
       [](test::FailingFileSystem& fs) {
         fs.before = [](std::string_view operation, std::string_view path) {
           if (operation == "moveDirectory" && path.find("reinf") != std::string_view::npos) {
             throw FileError("Cannot move the folder \"x\" to \"y\": \"z\" was left where it was. Access is denied");
           }
         };
       },
       "a pasta reinf não pôde ser posta em C:\\Meridano\\Tarvio\\tomcat9\\work\\tarvio"},
      {"the extracted dump cannot be put in place", true,
       [](test::FailingFileSystem& fs) {
         fs.before = [](std::string_view operation, std::string_view) {
           if (operation == "moveFile") throw FileError("Access is denied");
         };
       },
       "Access is denied"},
      {"the drop leaves the database", false,
       [this, pg10](test::FailingFileSystem&) {
         box.writeProgram(pg10 + "psql.exe", "echo \"psql $*\" >> " + record + "\ncase \"$*\" in *RAISE*) exit 1;; esac");
       },
       "o banco de dados \"tarvio\" não pôde ser destruído"},
      {"createdb fails", false,
       [this, pg10](test::FailingFileSystem&) { box.writeProgram(pg10 + "createdb.exe", "exit 1"); },
       "createdb terminou com o código 1"},
      {"pg_restore fails", false,
       [this, pg10](test::FailingFileSystem&) {
         box.writeProgram(pg10 + "pg_restore.exe", box.pgRestoreListLine() +
                                                       "\necho 'pg_restore: error: could not read input file: end of "
                                                       "file' >&2; exit 1");
       },
       "o pg_restore falhou (código 1) e o banco de dados não foi restaurado; veja o registro "
       "C:\\Meridano\\Tarvio\\backup\\pg_restore-20240305-090000.log"},
      {"pg_restore ignores errors", false,
       [this, pg10](test::FailingFileSystem&) {
         box.writeProgram(pg10 + "pg_restore.exe",
                            box.pgRestoreListLine() +
                            "\necho 'pg_restore: error: could not execute query: ERROR:  role \"x\" does not exist' >&2\n"
                            "echo 'pg_restore: warning: errors ignored on restore: 3' >&2; exit 1");
       },
       "o pg_restore terminou com 3 erro(s) ignorado(s) e o banco de dados pode estar incompleto; veja o registro "
       "C:\\Meridano\\Tarvio\\backup\\pg_restore-20240305-090000.log"},
  };
  workTree();
  std::string archive = makeArchive();
  box.writeFile("C:\\copias\\t.backup", "PGDMP" + std::string(1000, 'z'));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::FailingFileSystem failing(fs());
    c.arrange(failing);
    {
      test::ScopedPlatform withFailures([&](Platform& p) { p.fs = &failing; });
      box.desktop.calls.clear();
      stdfs::remove(record);
      EXPECT_FALSE(runRestore(c.fromArchive ? archive : "C:\\copias\\t.backup"));
    }
    ASSERT_FALSE(box.desktop.calls.empty());
    const std::string& error = box.desktop.calls.back();
    EXPECT_EQ(error.rfind("error: A restauração falhou: ", 0), 0u) << error;
    EXPECT_NE(error.find(c.expected), std::string::npos) << error;
    EXPECT_NE(error.find("O backup de segurança feito antes desta restauração está em "
                         "C:\\Meridano\\Tarvio\\backup\\tarvio-20240305-090000.zip"),
              std::string::npos)
        << error;
    Lines log = box.log();
    EXPECT_EQ(std::count(log.begin(), log.end(), "Banco de Dados Restaurado!"), 0);
    EXPECT_EQ(log.back(), "Iniciando o Tarvio Server...");
    // The history's last line is this restore's, with the error the user was shown.
    auto last = history::readRecent(1).entries.at(0);
    EXPECT_EQ(last.kind, history::RunKind::restore);
    EXPECT_EQ(last.outcome, history::Outcome::failure);
    EXPECT_EQ("error: " + last.error, error);
    Lines calls = recorded();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "net start tomcat9"), 1);
    // The safety archive is there, and the next case starts from the same state.
    EXPECT_TRUE(stdfs::exists(box.host("C:\\Meridano\\Tarvio\\backup\\tarvio-20240305-090000.zip")));
    stdfs::remove(box.host("C:\\Meridano\\Tarvio\\backup\\tarvio-20240305-090000.zip"));
    // The configuration program started again by this case ends before the next case stops the server.
    std::ofstream(flag).put('x');
    EXPECT_TRUE(configStarted());
    SetUp();
  }
}

TEST_F(RestoreRun, the_pg_restore_log_is_removed_after_a_restore_that_went_well) {
  box.writeFile("C:\\copias\\t.backup", "PGDMP1");
  ASSERT_TRUE(runRestore("C:\\copias\\t.backup"));
  EXPECT_EQ(box.tree(std::string(paths::backupDir)), (Lines{"historico.txt", "tarvio-20240305-090000.zip"}));
}

TEST_F(RestoreRun, a_server_that_does_not_stop_is_refused_before_the_drop) {
  // A tomcat9.exe that taskkill cannot end (the stand-in taskkill only records).
  box.writeProgram("C:\\Meridano\\Tarvio\\tomcat9\\bin\\tomcat9.exe",
                   "while [ -d " + box.root() + " ] && [ ! -e " + flag + " ]; do sleep 0.05; done");
  std::string tomcat9 = box.host("C:\\Meridano\\Tarvio\\tomcat9\\bin\\tomcat9.exe");
  pid_t server = fork();
  if (server == 0) {
    execl(tomcat9.c_str(), tomcat9.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  box.writeFile("C:\\copias\\t.backup", "PGDMP1");
  bool ended = runRestore("C:\\copias\\t.backup");
  std::ofstream(flag).put('x');
  waitpid(server, nullptr, 0);
  EXPECT_FALSE(ended);
  EXPECT_EQ(box.desktop.calls.back(),
            "error: O Tarvio Server não parou (ainda em execução: tomcat9.exe). A restauração foi interrompida antes de "
            "destruir o banco de dados: os dados não foram alterados. Execute o Tarvio Backup como administrador e tente "
            "novamente.");
  Lines calls = recorded();
  EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](const std::string& c) { return c.rfind("dropdb", 0) == 0; }), 0);
  EXPECT_EQ(calls.back().rfind("psql", 0), 0u) << "the connections were ended, nothing after";
}

// Whatever path names it, a chosen file that the restore itself would delete or overwrite is
// refused before anything changes.
TEST_F(RestoreRun, the_chosen_backup_is_never_one_of_the_files_the_restore_replaces) {
  box.writeFile(std::string(paths::dumpFile), "PGDMP do backup anterior");
  box.writeFile(std::string(paths::restoreFile), "PGDMP de uma restauração anterior");
  box.writeFile(std::string(paths::pendingFolders[1]) + "\\copia.backup", "PGDMP pendente");
  box.writeFile(tomcat + "\\esocial\\guardado.backup", "PGDMP no trabalho");
  stdfs::create_directories(box.host("C:\\copias"));
  stdfs::create_symlink(box.host(std::string(paths::dumpFile)), box.host("C:\\copias\\atalho.backup"));
  stdfs::create_directory_symlink(box.host(tomcat), box.host("C:\\copias\\trabalho"));
  const Lines refused = {
      "C:/Meridano/Tarvio/backup/tarvio.backup",
      "C:\\Meridano\\Tarvio\\backup\\..\\backup\\restaurar.backup",
      std::string(paths::pendingFolders[1]) + "\\copia.backup",
      tomcat + "\\esocial\\guardado.backup",
      "C:\\copias\\atalho.backup",
      "C:\\copias\\trabalho\\esocial\\guardado.backup",
  };
  for (const auto& chosen : refused) {
    SCOPED_TRACE(chosen);
    box.desktop.calls.clear();
    EXPECT_FALSE(runRestore(chosen));
    ASSERT_EQ(box.desktop.calls.size(), 2u);
    EXPECT_EQ(box.desktop.calls[1],
              "error: O arquivo escolhido é usado pela própria restauração e seria apagado antes de ser lido: " + chosen +
                  ". Copie-o para outra pasta e escolha a cópia. Nada foi alterado.");
    EXPECT_TRUE(box.log().empty());
    EXPECT_TRUE(recorded().empty());
  }
  EXPECT_EQ(test::readHostFile(box.host(std::string(paths::dumpFile))), "PGDMP do backup anterior");
  EXPECT_EQ(test::readHostFile(box.host(tomcat + "\\esocial\\guardado.backup")), "PGDMP no trabalho");
}

// Writes a ZIP archive with Python's zipfile (another writer than ours), any bytes in names.
void writeZipWithPython(const std::string& hostPath, const std::vector<std::pair<std::string, std::string>>& entries) {
  auto hex = [](const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) out += {digits[c >> 4], digits[c & 15]};
    return out;
  };
  std::string command =
      "python3 -c 'import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1], \"w\")\n"
      "for i in range(2, len(sys.argv), 2): z.writestr(bytes.fromhex(sys.argv[i][1:]).decode(), bytes.fromhex(sys.argv[i + 1][1:]))\n"
      "z.close()' " + hostPath;
  for (const auto& [name, data] : entries) command += " x" + hex(name) + " x" + hex(data);
  ASSERT_EQ(std::system(command.c_str()), 0);
}

// Archives that an extraction would fail on are refused before anything changes, with the entry
// named (control characters shown escaped).
TEST_F(RestoreRun, hostile_archives_are_refused_before_anything_changes) {
  using Entries = std::vector<std::pair<std::string, std::string>>;
  struct Case {
    const char* file;
    Entries entries;
    std::string reason;
  };
  const Case cases[] = {
      {"caixa.zip", {{"backup/tarvio.backup", "PGDMP"}, {"BACKUP/TARVIO.BACKUP", "PGDMP"}},
       "another entry has the same name regardless of letter case"},
      {"pasta.zip", {{"backup/tarvio.backup", "PGDMP"}, {"esocial/x", "1"}, {"esocial/x/y.txt", "2"}},
       "is both a file and a folder in the archive"},
      {"longo.zip", {{"backup/tarvio.backup", "PGDMP"}, {"esocial/" + std::string(300, 'a') + ".xml", "1"}},
       "a part of its name is longer than 255 bytes"},
  };
  stdfs::create_directories(box.host("C:\\copias"));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string chosen = std::string("C:\\copias\\") + c.file;
    writeZipWithPython(box.host(chosen), c.entries);
    box.desktop.calls.clear();
    EXPECT_FALSE(runRestore(chosen));
    ASSERT_EQ(box.desktop.calls.size(), 2u);
    const std::string& error = box.desktop.calls[1];
    EXPECT_EQ(error.rfind("error: O arquivo escolhido não pôde ser lido como um arquivo ZIP: " + chosen, 0), 0u) << error;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    EXPECT_EQ(error.substr(error.size() - 18), "Nada foi alterado.") << error;
    EXPECT_TRUE(box.log().empty());
    EXPECT_TRUE(recorded().empty());
  }
  // A name with a NUL (zipfile cuts names there; the archive is made byte by byte): the refusal
  // names the whole entry, the NUL shown escaped.
  box.writeFile("C:\\copias\\nulo.zip",
                test::buildArchive({{"backup/tarvio.backup", "PGDMP"}, {std::string("esocial/a\0b.xml", 15), "1"}}));
  box.desktop.calls.clear();
  EXPECT_FALSE(runRestore("C:\\copias\\nulo.zip"));
  ASSERT_EQ(box.desktop.calls.size(), 2u);
  EXPECT_NE(box.desktop.calls[1].find("\"esocial/a\\x00b.xml\""), std::string::npos) << box.desktop.calls[1];
  EXPECT_EQ(box.desktop.calls[1].substr(box.desktop.calls[1].size() - 18), "Nada foi alterado.");
  // The bomb: 256 central entries over one local entry of 4 MiB.
  stdfs::copy_file(TARVIO_ZIP_FIXTURES "/overlap-bomb.zip", box.host("C:\\copias\\bomba.zip"));
  box.desktop.calls.clear();
  EXPECT_FALSE(runRestore("C:\\copias\\bomba.zip"));
  ASSERT_EQ(box.desktop.calls.size(), 2u);
  EXPECT_NE(box.desktop.calls[1].find("overlap"), std::string::npos) << box.desktop.calls[1];
  EXPECT_FALSE(stdfs::exists(box.host(std::string(paths::extractDir))));
}

TEST_F(RestoreRun, an_archive_larger_than_the_free_space_is_refused_before_anything_changes) {
  std::string archive = makeArchive();  // a dump of 1.2 MB: with the margin, 64 MB more are needed
  test::FailingFileSystem smallDisk(fs());
  smallDisk.freeSpaceOfEveryDrive = 50u << 20;
  {
    test::ScopedPlatform installed([&](Platform& p) { p.fs = &smallDisk; });
    EXPECT_FALSE(runRestore(archive));
  }
  EXPECT_EQ(box.desktop.calls.back(),
            "error: Não há espaço suficiente no disco para restaurar este backup: a extração precisa de 66 MB e há 50 "
            "MB livres em C:\\Meridano\\Tarvio\\backup. Nada foi alterado.");
  EXPECT_TRUE(box.log().empty());
  EXPECT_TRUE(recorded().empty());
}

TEST_F(RestoreRun, capitalised_folders_of_an_archive_are_found_ignoring_case) {
  workTree();
  stdfs::create_directories(box.host("C:\\copias"));
  writeZipWithPython(box.host("C:\\copias\\maiusculas.zip"),
                     {{"Backup/tarvio.backup", "PGDMP maiusculo"}, {"Esocial/a.xml", "<A/>"}});
  ASSERT_TRUE(runRestore("C:\\copias\\maiusculas.zip")) << box.desktop.calls.back();
  EXPECT_EQ(test::readHostFile(record + ".restored"), "PGDMP maiusculo");
  EXPECT_EQ(box.tree(tomcat), (Lines{"esocial/", "esocial/a.xml"}));
  EXPECT_EQ(box.log(), expectedLog(true));
}

TEST_F(RestoreRun, a_dump_whose_path_holds_dot_zip_restores_as_a_dump) {
  box.writeFile("C:\\copias.zip\\t.backup", "PGDMP" + std::string(10, 'q'));
  ASSERT_TRUE(runRestore("C:\\copias.zip\\t.backup")) << box.desktop.calls.back();
  EXPECT_EQ(box.log(), expectedLog(false));
  EXPECT_EQ(test::readHostFile(record + ".restored"), "PGDMP" + std::string(10, 'q'));
}

TEST_F(RestoreRun, another_run_holding_the_lock_is_refused_before_the_file_dialog) {
  auto otherProgram = makeNativeRunLocks(box.root());
  auto held = otherProgram->tryAcquire();
  ASSERT_NE(held, nullptr);
  EXPECT_FALSE(runRestore("C:\\copias\\t.backup"));
  EXPECT_EQ(box.desktop.calls,
            Lines{"error: Já existe um backup ou uma restauração em andamento neste servidor. Aguarde o término e "
                  "tente novamente."});
  EXPECT_TRUE(recorded().empty());
}

}  // namespace
}  // namespace tarvio
