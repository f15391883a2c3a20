// How the restore reads the chosen file's name.
#include "restore/chosen_backup.h"

#include "common/ascii.h"

#include <gtest/gtest.h>

namespace tarvio {
namespace {

TEST(chosen_backup, kind_of_backup_by_name) {
  struct Case {
    const char* name;
    bool zip;
    bool dump;
  };
  const Case cases[] = {
      {"C:\\b\\tarvio-20240305-090703.zip", true, false},
      {"C:\\b\\TARVIO.ZIP", true, false},
      {"C:\\b\\x.zip.old", true, false},
      {"C:\\b\\tarvio.backup", false, true},
      {"C:\\b\\Tarvio.BACKUP", false, true},
      {"C:\\velhos.backup\\copia.zip", true, false},
      {"C:\\b\\notas.txt", false, false},
      {"C:\\b\\ZİP", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(namesZipArchive(c.name), c.zip) << c.name;
    EXPECT_EQ(namesDumpFile(c.name), c.dump) << c.name;
  }
}

TEST(chosen_backup, lowers_only_ascii_letters) { EXPECT_EQ(lowerAscii("ÁBC.Zip"), "Ábc.zip"); }

}  // namespace
}  // namespace tarvio
