// Which names are this program's archives, and the retention that keeps only the newest of them.
#include <gtest/gtest.h>

#include <filesystem>

#include "backup/archive_retention.h"
#include "common/paths.h"
#include "platform/platform.h"
#include "tests/support/sandbox.h"

namespace tarvio {
namespace {

namespace stdfs = std::filesystem;
using Lines = std::vector<std::string>;

TEST(ArchiveNames, only_the_exact_pattern_of_the_backup_run_counts) {
  for (const char* name : {"tarvio-20240305-090703.zip", "tarvio-00000000-000000.zip"}) {
    EXPECT_TRUE(isArchiveName(name)) << name;
  }
  for (const char* name : {"tarvio-2026.zip", "TARVIO-20240305-090703.ZIP", "Tarvio-20240305-090703.zip",
                           "tarvio-20240305-090703.ZIP", "tarvio-20240305-090703.zip.tmp", "tarvio-20240305-090703.zip ",
                           "xtarvio-20240305-090703.zip", "tarvio-2024030-5090703.zip", "tarvio-20240305-0907033.zip",
                           "tarvio-2024a305-090703.zip", "tarvio-20240305-090703.zip.zip", "tarvio.backup", ""}) {
    EXPECT_FALSE(isArchiveName(name)) << name;
  }
}

class Retention : public ::testing::Test {
 protected:
  void SetUp() override { box.makeInstallLayout(); }
  void put(const std::string& name) { box.writeFile(folder + "\\" + name, "x"); }
  Lines names() const {
    Lines found;
    for (const auto& e : stdfs::directory_iterator(box.host(folder))) {
      found.push_back(e.path().filename().string() + (e.is_directory() ? "/" : ""));
    }
    std::sort(found.begin(), found.end());
    return found;
  }

  test::Sandbox box;
  const std::string folder = "C:\\copias";
};

TEST_F(Retention, keeps_the_newest_and_touches_nothing_else) {
  for (const char* name : {"tarvio-20240101-000000.zip", "tarvio-20240102-000000.zip", "tarvio-20240103-000000.zip",
                           "tarvio-20240104-000000.zip", "tarvio-2026.zip", "TARVIO-20230101-000000.ZIP",
                           "tarvio-20230101-000000.zip.tmp", "tarvio-20230101-000000.zip.bak", "notas.txt",
                           "tarvio.backup"}) {
    put(name);
  }
  stdfs::create_directories(box.host(folder + "\\tarvio-20220101-000000.zip"));  // a folder of that name

  RetentionResult result = keepNewestArchives(folder, 2, "tarvio-20240104-000000.zip");

  EXPECT_EQ(result.deleted, (Lines{folder + "\\tarvio-20240102-000000.zip", folder + "\\tarvio-20240101-000000.zip"}));
  EXPECT_TRUE(result.notDeleted.empty());
  EXPECT_EQ(names(), (Lines{"TARVIO-20230101-000000.ZIP", "notas.txt", "tarvio-20220101-000000.zip/",
                            "tarvio-20230101-000000.zip.bak", "tarvio-20230101-000000.zip.tmp",
                            "tarvio-20240103-000000.zip", "tarvio-20240104-000000.zip", "tarvio-2026.zip",
                            "tarvio.backup"}));
}

// A clock set back gives the new archive an older name: it stays all the same, with the newest others.
TEST_F(Retention, the_archive_just_made_stays_even_when_its_name_is_the_oldest) {
  for (const char* name : {"tarvio-20240101-000000.zip", "tarvio-20240102-000000.zip", "tarvio-20240103-000000.zip"}) {
    put(name);
  }
  keepNewestArchives(folder, 2, "tarvio-20240101-000000.zip");
  EXPECT_EQ(names(), (Lines{"tarvio-20240101-000000.zip", "tarvio-20240103-000000.zip"}));
  keepNewestArchives(folder, 1, "tarvio-20240101-000000.zip");
  EXPECT_EQ(names(), (Lines{"tarvio-20240101-000000.zip"}));
}

TEST_F(Retention, an_archive_that_cannot_be_deleted_is_told_and_the_others_go) {
  for (const char* name : {"tarvio-20240101-000000.zip", "tarvio-20240102-000000.zip", "tarvio-20240103-000000.zip"}) {
    put(name);
  }
  ASSERT_TRUE(fs().setAttributes(folder + "\\tarvio-20240102-000000.zip", attr::readOnly));
  RetentionResult result = keepNewestArchives(folder, 1, "tarvio-20240103-000000.zip");
  EXPECT_EQ(result.deleted, Lines{folder + "\\tarvio-20240101-000000.zip"});
  EXPECT_EQ(result.notDeleted, Lines{folder + "\\tarvio-20240102-000000.zip"});
  EXPECT_EQ(names(), (Lines{"tarvio-20240102-000000.zip", "tarvio-20240103-000000.zip"}));
}

TEST_F(Retention, the_newest_archive_first_and_none_in_a_missing_folder) {
  for (const char* name : {"tarvio-20240102-000000.zip", "tarvio-20241231-235959.zip", "tarvio-20240101-000000.zip",
                           "tarvio-2099.zip"}) {
    put(name);
  }
  EXPECT_EQ(archivesIn(folder),
            (Lines{"tarvio-20241231-235959.zip", "tarvio-20240102-000000.zip", "tarvio-20240101-000000.zip"}));
  EXPECT_TRUE(archivesIn("C:\\nenhuma").empty());
}

}  // namespace
}  // namespace tarvio
