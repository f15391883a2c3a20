// The second copy of an archive: written under a temporary name, renamed, read back; what a failure
// leaves behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "backup/archive_copy.h"
#include "backup/backup.h"
#include "common/paths.h"
#include "history/run_history.h"
#include "tests/support/error_text.h"
#include "tests/support/failing_file_system.h"
#include "tests/support/main_window.h"
#include "tests/support/scoped_platform.h"

namespace tarvio {
namespace {

namespace stdfs = std::filesystem;
using Lines = std::vector<std::string>;

const std::string archive = "C:\\Meridano\\Tarvio\\backup\\tarvio-20240305-090703.zip";

class ArchiveCopy : public ::testing::Test {
 protected:
  void SetUp() override {
    box.writeProgram("C:\\Meridano\\Tarvio\\pg10\\bin\\pg_dump.exe",
                     "printf PGDMP; head -c 1200000 /dev/urandom");
    box.writeFile(std::string(paths::tomcatWorkDir) + "\\esocial\\a.xml", "<a/>");
    ASSERT_TRUE(TBackup::Executar(false).has_value());
    original = box.readFile(archive);
    stdfs::create_directories(box.host("C:\\copias"));
    box.principal.ListBox().clear();
    box.eventLog.events.clear();
  }
  Lines folder(const std::string& drivePath) const { return box.tree(drivePath); }
  history::Entry lastRun() const { return history::readRecent(1).entries.at(0); }

  test::MainWindowSandbox box;
  std::string original;
};

TEST_F(ArchiveCopy, the_copy_lands_under_the_archive_s_name_and_reads_back) {
  box.writeFile("C:\\copias\\tarvio-20240305-090703.zip.tmp", "left by a copy that was killed");
  EXPECT_EQ(copyArchive(archive, "C:\\copias"), "C:\\copias\\tarvio-20240305-090703.zip");
  EXPECT_EQ(box.readFile("C:\\copias\\tarvio-20240305-090703.zip"), original);
  EXPECT_EQ(folder("C:\\copias"), Lines{"tarvio-20240305-090703.zip"});
  EXPECT_EQ(box.log(), (Lines{"Copiando o backup para C:\\copias...",
                              "Cópia conferida: C:\\copias\\tarvio-20240305-090703.zip."}));
  history::Entry run = lastRun();
  EXPECT_EQ(run.kind, history::RunKind::copy);
  EXPECT_EQ(run.outcome, history::Outcome::success);
  EXPECT_EQ(run.archive, "C:\\copias\\tarvio-20240305-090703.zip");
  EXPECT_EQ(run.archiveBytes, static_cast<int64_t>(original.size()));
}

// Every failure: the backup itself is untouched, the target folder holds nothing of the copy, the
// history and the event log say "cópia" failed.
TEST_F(ArchiveCopy, a_failed_copy_leaves_nothing_behind_and_the_backup_as_it_was) {
  struct Case {
    const char* what;
    std::string folder;
    std::function<void(test::FailingFileSystem&)> arrange;
    std::string error;
  };
  const Case cases[] = {
      {"a folder that does not exist", "C:\\nao-existe", nullptr,
       "A cópia falhou: a pasta C:\\nao-existe não existe ou não pode ser alcançada."},
      {"the backup folder itself", "C:\\Meridano\\Tarvio\\backup\\", nullptr,
       "A cópia falhou: a pasta C:\\Meridano\\Tarvio\\backup\\ é a própria pasta dos backups; escolha outro disco ou "
       "uma pasta da rede."},
      {"a folder that cannot be written", "C:\\copias",
       [](test::FailingFileSystem& fs) {
         fs.before = [](std::string_view operation, std::string_view path) {
           if (operation == "createFile" && path.rfind("C:\\copias", 0) == 0) {
             throw FileError("Cannot create file \"" + std::string(path) + "\". Access is denied");
           }
         };
       },
       "A cópia falhou: Cannot create file \"C:\\copias\\tarvio-20240305-090703.zip.tmp\". Access is denied"},
      {"a disk that fills up", "C:\\copias",
       [](test::FailingFileSystem& fs) {
         fs.diskFullBelow = "C:\\copias";
         fs.diskFullAfter = 100000;
       },
       "A cópia falhou: Cannot write file \"C:\\copias\\tarvio-20240305-090703.zip.tmp\". There is not enough space on "
       "the disk"},
      {"a copy spoiled once in place", "C:\\copias",
       [this](test::FailingFileSystem& fs) {
         fs.afterRename = [this](std::string_view renamedTo) {
           std::fstream f(box.host(std::string(renamedTo)), std::ios::in | std::ios::out | std::ios::binary);
           f.seekp(100);
           f.put('\x55');
         };
       },
       "A cópia falhou: a cópia C:\\copias\\tarvio-20240305-090703.zip não confere com o backup quando lida de volta ("},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::FailingFileSystem failing(fs());
    if (c.arrange) c.arrange(failing);
    std::string error;
    {
      test::ScopedPlatform withFailures([&](Platform& p) { p.fs = &failing; });
      error = test::errorText<CopyFailed>([&] { copyArchive(archive, c.folder); });
    }
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    EXPECT_EQ(box.readFile(archive), original);
    EXPECT_TRUE(folder("C:\\copias").empty());
    history::Entry run = lastRun();
    EXPECT_EQ(run.kind, history::RunKind::copy);
    EXPECT_EQ(run.outcome, history::Outcome::failure);
    EXPECT_EQ(run.error, error);
    ASSERT_FALSE(box.eventLog.events.empty());
    EXPECT_EQ(box.eventLog.events.back().rfind("error 102: Cópia", 0), 0u) << box.eventLog.events.back();
  }
}

}  // namespace
}  // namespace tarvio
