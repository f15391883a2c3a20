// The backup run against the real PostgreSQL servers, through the command interpreter stand-in.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>

#include "backup/backup.h"
#include "common/paths.h"
#include "tests/support/main_window.h"
#include "tests/support/pg/pg_servers.h"

namespace tarvio {
namespace {

namespace stdfs = std::filesystem;
using Lines = std::vector<std::string>;

const char* archive = "C:\\Meridano\\Tarvio\\backup\\tarvio-20240305-090703.zip";

Lines attemptLines(int n, bool failed) {
  Lines lines{"Iniciando método " + std::to_string(n) + " de backup...", "Aguarde, efetuando backup..."};
  if (failed) lines.push_back("Método " + std::to_string(n) + " de backup falhou...");
  return lines;
}

class BackupWithPostgres : public ::testing::Test {
 protected:
  void SetUp() override { test::pg::installClientPrograms(box); }

  // Extracts the archive's dump with Info-ZIP's unzip into a host file.
  std::string archivedDump() {
    std::string target = box.host("C:\\archived.backup");
    std::string command = "unzip -p '" + box.host(archive) + "' backup/tarvio.backup > '" + target + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return target;
  }

  test::MainWindowSandbox box;
};

TEST_F(BackupWithPostgres, first_method_dumps_a_database_that_restores_to_the_same_data) {
  test::pg::resetDatabase(test::pg::DataSize::normal, test::pg::first);
  TBackup::Executar(true);
  EXPECT_EQ(box.log(), (Lines{"Iniciando método 1 de backup...", "Aguarde, efetuando backup...",
                              "Backup efetuado com êxito! Disponível em " + std::string(archive) + ".", "Fim..."}));
  EXPECT_FALSE(stdfs::exists(box.host(std::string(paths::dumpFile))));
  EXPECT_FALSE(stdfs::exists(box.host(std::string(paths::pgpassFile))));

  // The archived dump, restored into the other server, gives the same content.
  std::string expected = test::pg::fingerprint(test::pg::first);
  test::pg::restoreDatabase(archivedDump(), test::pg::second);
  EXPECT_EQ(test::pg::fingerprint(test::pg::second), expected);
  test::pg::resetDatabase(test::pg::DataSize::normal, test::pg::second);
}

TEST_F(BackupWithPostgres, with_only_the_second_server_up_the_fourth_method_succeeds) {
  test::pg::StoppedServer firstDown(test::pg::first);
  TBackup::Executar(false);
  Lines expected;
  for (int n = 1; n <= 4; ++n) {
    auto lines = attemptLines(n, n != 4);
    expected.insert(expected.end(), lines.begin(), lines.end());
  }
  expected.push_back("Backup efetuado com êxito! Disponível em " + std::string(archive) + ".");
  EXPECT_EQ(box.log(), expected);
  EXPECT_GE(stdfs::file_size(box.host(std::string(paths::dumpFile))), 1000000u);
}

// Both servers hold a small database while it lives, and the normal one again afterwards.
struct SmallDatabases {
  SmallDatabases() {
    for (const auto& server : {test::pg::first, test::pg::second}) {
      test::pg::resetDatabase(test::pg::DataSize::small, server);
    }
  }
  ~SmallDatabases() {
    for (const auto& server : {test::pg::first, test::pg::second}) {
      test::pg::resetDatabase(test::pg::DataSize::normal, server);
    }
  }
};

TEST_F(BackupWithPostgres, a_complete_but_small_dump_is_a_failed_backup) {
  SmallDatabases small;
  box.writeFile(std::string(paths::pendingFolders[0]) + "\\p.xml", "pendente");
  TBackup::Executar(true);
  EXPECT_EQ(box.log().size(), 14u);
  EXPECT_EQ(box.log()[12], "Nenhuma tentativa de backup teve êxito!");
  EXPECT_EQ(box.log()[13], "Fim...");
  EXPECT_EQ(box.desktop.calls, Lines{"message: Nenhuma tentativa de backup teve êxito!"});
  // The short dump stays, nothing is deleted or archived.
  auto size = stdfs::file_size(box.host(std::string(paths::dumpFile)));
  EXPECT_GT(size, 0u);
  EXPECT_LT(size, 1000000u);
  EXPECT_TRUE(stdfs::exists(box.host(std::string(paths::pendingFolders[0]) + "\\p.xml")));
  EXPECT_FALSE(stdfs::exists(box.host(archive)));
}

}  // namespace
}  // namespace tarvio
