// The restore run with recording stand-ins for the server's tools and PostgreSQL's programs.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/error_display.h"
#include "backup/backup.h"
#include "common/paths.h"
#include "common/silent_abort.h"
#include "restore/restauracao.h"
#include "tests/support/main_window.h"

namespace tarvio {
namespace {

namespace stdfs = std::filesystem;
using Lines = std::vector<std::string>;

const std::string tomcat(paths::tomcatWorkDir);
const std::string jetty(paths::jettyWorkDir);

std::string readHost(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

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
                     "echo \"pg_restore $* pgpass=$(tr -d '\\r' < \"$PGPASSFILE\")\" >> " + record +
                         "\nfor last; do :; done; cp \"$last\" " + record + ".restored");
    box.writeProgram("C:\\Windows\\System32\\taskkill.exe", "echo \"taskkill.exe $*\" >> " + record);
    box.writeProgram("C:\\Windows\\System32\\net", "echo \"net $*\" >> " + record);
    box.writeProgram("C:\\Meridano\\Tarvio\\config\\Tarvio_Server_Config.exe",
                     // Ends also when the sandbox goes away first, so no stand-in outlives its test.
                     "while [ ! -e " + flag + " ]; do [ -d " + box.root() + " ] || exit 0; sleep 0.02; done\n"
                     "echo \"Tarvio_Server_Config.exe $*\" >> " + record);
  }
  void TearDown() override {
    // Let a configuration program stand-in that still waits end.
    std::ofstream(flag).put('x');
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
    for (int i = 0; i < 500; ++i) {
      auto lines = recorded();
      if (!lines.empty() && lines.back().rfind("Tarvio_Server_Config.exe", 0) == 0) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
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

  std::string restored = readHost(record + ".restored");
  EXPECT_EQ(restored.substr(0, 5), "PGDMP");
  EXPECT_EQ(restored.size(), 1200005u);
  EXPECT_EQ(restored.find('s'), std::string::npos) << "the safety backup's dump was restored";
  EXPECT_EQ(box.tree(tomcat), (Lines{"esocial/", "esocial/a.xml", "manifestacaodestinatario/",
                                           "manifestacaodestinatario/vazia/", "reinf/", "reinf/b.xml",
                                           "tarvio_nfse/", "tarvio_nfse/n.xml", "trabalhadores/",
                                           "trabalhadores/f.pdf"}));
  EXPECT_EQ(readHost(box.host(tomcat + "\\trabalhadores\\f.pdf")), "jetty copy");
  EXPECT_EQ(box.tree(jetty),
            (Lines{"tarvio_nfse/", "tarvio_nfse/n.xml", "trabalhadores/", "trabalhadores/f.pdf"}));
  expectWorkFilesGone();
  EXPECT_EQ(box.tree(std::string(paths::backupDir)),
            (Lines{"tarvio-20240305-080000.zip", "tarvio-20240305-090000.zip"}));
}

TEST_F(RestoreRun, from_a_bare_dump_file_with_a_capital_extension) {
  workTree();
  box.writeFile("C:\\copias\\Tarvio.BACKUP", "PGDMP" + std::string(1000, 'z'));
  ASSERT_TRUE(runRestore("C:\\copias\\Tarvio.BACKUP"));
  EXPECT_EQ(box.log(), expectedLog(false));
  EXPECT_EQ(recorded(), expectedCalls());
  EXPECT_EQ(readHost(record + ".restored"), "PGDMP" + std::string(1000, 'z'));
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
  EXPECT_EQ(readHost(record + ".restored").size(), 1200005u);
}

TEST_F(RestoreRun, cancelled_file_dialog_changes_nothing) {
  box.desktop.fileAnswers = {std::nullopt};
  EXPECT_THROW(TRestauracao::Executar(), SilentAbort);
  EXPECT_TRUE(box.log().empty());
  EXPECT_TRUE(recorded().empty());
  EXPECT_FALSE(stdfs::exists(box.host(std::string(paths::backupDir))));
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
  EXPECT_EQ(box.tree(std::string(paths::backupDir)), Lines{});
}

TEST_F(RestoreRun, failed_safety_backup_answered_yes_goes_on_without_a_safety_archive) {
  dumpSize(10);
  box.writeFile("C:\\copias\\t.backup", "PGDMP1");
  box.desktop.yesNoAnswers = {true};
  ASSERT_TRUE(runRestore("C:\\copias\\t.backup"));
  EXPECT_EQ(recorded(), expectedCalls());
  EXPECT_EQ(box.tree(std::string(paths::backupDir)), Lines{});
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

TEST_F(RestoreRun, a_refused_copy_ends_the_run_before_the_server_starts) {
  box.writeFile("C:\\copias\\t.backup", "PGDMP1");
  // The chosen file disappears while the database is being re-created.
  box.writeProgram("C:\\Meridano\\Tarvio\\pg10\\bin\\createdb.exe", "rm " + box.host("C:\\copias\\t.backup"));
  EXPECT_FALSE(runRestore("C:\\copias\\t.backup"));
  EXPECT_EQ(box.desktop.calls.back(), "error: The specified file was not found.");
  EXPECT_EQ(box.log().back(), "Restaurando o Banco de Dados. Aguarde, esta operação pode demorar alguns minutos...");
  Lines calls = recorded();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "net start tomcat9"), 0);
}

}  // namespace
}  // namespace tarvio
