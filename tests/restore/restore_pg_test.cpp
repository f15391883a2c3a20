// The restore run against the real PostgreSQL servers: the data and work folders come back.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/error_display.h"
#include "backup/backup.h"
#include "common/paths.h"
#include "restore/restauracao.h"
#include "tests/support/main_window.h"
#include "tests/support/pg/pg_servers.h"
#include "tests/support/wait_until.h"

extern char** environ;

namespace tarvio {
namespace {

namespace stdfs = std::filesystem;
using Lines = std::vector<std::string>;
namespace pg = test::pg;

const std::string tomcat(paths::tomcatWorkDir);
const std::string jetty(paths::jettyWorkDir);


// A psql session kept open on a database until it is ended (by the server or by the test).
class OpenSession {
 public:
  explicit OpenSession(const std::string& database) {
    std::string psql = pg::binDir() + "/psql";
    std::vector<std::string> args = {psql, "-X", "-q", "-h", "localhost", "-p", "5432", "-U", "postgres",
                                     "-d", database, "-c", "SELECT pg_sleep(600)"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    setenv("PGPASSWORD", "plovertin", 1);
    posix_spawn(&pid_, psql.c_str(), nullptr, nullptr, argv.data(), environ);
    unsetenv("PGPASSWORD");
  }
  ~OpenSession() {
    if (running()) kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  bool running() {
    if (ended_) return false;
    int status = 0;
    ended_ = waitpid(pid_, &status, WNOHANG) == pid_;
    return !ended_;
  }

 private:
  pid_t pid_ = -1;
  bool ended_ = false;
};

// Waits (bounded) until a session shows in pg_stat_activity on the database.
bool sessionVisible(const std::string& database) {
  return test::waitUntil([&] {
    return pg::runSql("SELECT count(*) FROM pg_stat_activity WHERE datname = '" + database +
                          "' AND query LIKE 'SELECT pg_sleep%'",
                      pg::first, "postgres") != "0";
  });
}

class RestoreWithPostgres : public ::testing::Test {
 protected:
  void SetUp() override {
    pg::resetDatabase(pg::DataSize::normal, pg::first);
    pg::installClientPrograms(box);
    record = box.host("C:\\record.log");
    setenv("TARVIO_RECORD_FILE", record.c_str(), 1);
    for (auto tool : {"C:\\Windows\\System32\\taskkill.exe", "C:\\Windows\\System32\\net",
                      "C:\\Meridano\\Tarvio\\config\\Tarvio_Server_Config.exe"}) {
      stdfs::create_directories(stdfs::path(box.host(tool)).parent_path());
      stdfs::create_symlink(TARVIO_RECORD_PROGRAM, box.host(tool));
    }
    box.writeFile(tomcat + "\\esocial\\eventos\\S-1200.xml", "<evento/>");
    box.writeFile(tomcat + "\\reinf\\R-2010.xml", "<r/>");
    box.writeFile(tomcat + "\\trabalhadores\\ana\\holerite.pdf", "tomcat");
    stdfs::create_directories(box.host(tomcat + "\\tarvio_nfse\\vazia"));
    box.writeFile(jetty + "\\trabalhadores\\joao\\holerite.pdf", "jetty");
  }
  void TearDown() override { unsetenv("TARVIO_RECORD_FILE"); }

  bool restore(const std::string& chosen) {
    box.principal.ListBox().clear();
    box.clock.current = {2024, 3, 5, 10, 0, 0, 0};
    box.desktop.fileAnswers = {chosen};
    return runHandler([] { TRestauracao::Executar(); });
  }

  // Rows inserted, deleted and updated, a table added.
  void changeDatabase() {
    pg::runSql(
        "CREATE TABLE depois_do_backup (id int); INSERT INTO depois_do_backup VALUES (1);"
        "DELETE FROM itens_nota WHERE ctid IN (SELECT ctid FROM itens_nota LIMIT 10);"
        "UPDATE clientes SET nome = nome || ' alterado' WHERE ctid IN (SELECT ctid FROM clientes LIMIT 5);");
  }

  test::MainWindowSandbox box;
  std::string record;
};

TEST_F(RestoreWithPostgres, an_archive_brings_back_the_backed_up_data_and_work_folders) {
  box.clock.current = {2024, 3, 5, 9, 0, 0, 0};
  TBackup::Executar(true);
  ASSERT_TRUE(stdfs::exists(box.host("C:\\Meridano\\Tarvio\\backup\\tarvio-20240305-090000.zip")));
  const std::string backedUp = pg::fingerprint();
  const Lines backedUpTree = box.tree(tomcat);

  changeDatabase();
  ASSERT_NE(pg::fingerprint(), backedUp);
  box.writeFile(tomcat + "\\esocial\\depois.xml", "novo");
  stdfs::remove_all(box.host(tomcat + "\\reinf"));
  OpenSession onTarvio("tarvio");
  OpenSession onOther("postgres");
  ASSERT_TRUE(sessionVisible("tarvio"));
  ASSERT_TRUE(sessionVisible("postgres"));

  ASSERT_TRUE(restore("C:\\Meridano\\Tarvio\\backup\\tarvio-20240305-090000.zip"))
      << box.desktop.calls.back();

  EXPECT_EQ(pg::fingerprint(), backedUp);
  EXPECT_FALSE(onTarvio.running()) << "the session on tarvio was not ended";
  EXPECT_TRUE(onOther.running()) << "a session on another database was ended";

  Lines expectedTree = backedUpTree;
  expectedTree.insert(expectedTree.end(), {"trabalhadores/joao/", "trabalhadores/joao/holerite.pdf"});
  std::sort(expectedTree.begin(), expectedTree.end());
  EXPECT_EQ(box.tree(tomcat), expectedTree);
  EXPECT_EQ(box.tree(jetty), (Lines{"trabalhadores/", "trabalhadores/joao/", "trabalhadores/joao/holerite.pdf"}));
  for (auto path : {paths::dumpFile, paths::restoreFile, paths::extractDir, paths::pgpassFile}) {
    EXPECT_FALSE(stdfs::exists(box.host(std::string(path)))) << path;
  }
  EXPECT_EQ(box.tree(std::string(paths::backupDir)),
            (Lines{"historico.txt", "tarvio-20240305-090000.zip", "tarvio-20240305-100000.zip"}));
  EXPECT_EQ(box.log().back(),
            "Restauração do Banco de Dados Finalizada! Aguarde o sistema inicializar e verifique as informações "
            "restauradas.");
  EXPECT_TRUE(box.lastLineSelected());
}

TEST_F(RestoreWithPostgres, a_bare_dump_file_brings_back_the_data) {
  const std::string backedUp = pg::fingerprint();
  stdfs::create_directories(box.host("C:\\copias"));
  pg::dumpDatabase(box.host("C:\\copias\\Tarvio.BACKUP"));
  changeDatabase();
  ASSERT_TRUE(restore("C:\\copias\\Tarvio.BACKUP")) << box.desktop.calls.back();
  EXPECT_EQ(pg::fingerprint(), backedUp);
  EXPECT_TRUE(stdfs::exists(box.host("C:\\copias\\Tarvio.BACKUP")));
  EXPECT_EQ(std::count(box.log().begin(), box.log().end(), "Descompactando o Arquivo de Backup..."), 0);
}

TEST_F(RestoreWithPostgres, a_dump_cut_in_half_is_reported_as_a_failed_restore) {
  stdfs::create_directories(box.host("C:\\copias"));
  pg::dumpDatabase(box.host("C:\\copias\\metade.backup"));
  stdfs::resize_file(box.host("C:\\copias\\metade.backup"), stdfs::file_size(box.host("C:\\copias\\metade.backup")) / 2);
  EXPECT_FALSE(restore("C:\\copias\\metade.backup"));
  const std::string error = box.desktop.calls.back();
  EXPECT_EQ(error.rfind("error: A restauração falhou: o pg_restore ", 0), 0u) << error;
  const std::string log = "C:\\Meridano\\Tarvio\\backup\\pg_restore-20240305-100000.log";
  EXPECT_NE(error.find("veja o registro " + log), std::string::npos) << error;
  EXPECT_NE(error.find("C:\\Meridano\\Tarvio\\backup\\tarvio-20240305-100000.zip"), std::string::npos) << error;
  std::ifstream in(box.host(log));
  std::string firstLine;
  std::getline(in, firstLine);
  EXPECT_EQ(firstLine.rfind("pg_restore: ", 0), 0u) << "pg_restore's own words are kept: " << firstLine;
  EXPECT_EQ(std::count(box.log().begin(), box.log().end(), "Banco de Dados Restaurado!"), 0);
  EXPECT_EQ(box.log().back(), "Iniciando o Tarvio Server...");
}

}  // namespace
}  // namespace tarvio
