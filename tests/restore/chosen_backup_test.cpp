// The kind of the chosen backup comes from its content, never from its name.
#include "restore/chosen_backup.h"

#include <gtest/gtest.h>

#include "tests/support/sandbox.h"

namespace tarvio {
namespace {

TEST(chosen_backup, kind_of_backup_by_content) {
  test::Sandbox box;
  struct Case {
    const char* name;
    std::string content;
    std::optional<BackupKind> kind;
  };
  const Case cases[] = {
      {"C:\\copias.zip\\t.backup", "PGDMP\x01\x0e", BackupKind::dump},
      {"C:\\b\\x.zip.backup", "PGDMP", BackupKind::dump},
      {"C:\\b\\copia-sem-extensao", std::string("PK\x03\x04", 4) + "resto", BackupKind::archive},
      {"C:\\b\\renomeado.backup", std::string("PK\x03\x04", 4), BackupKind::archive},
      {"C:\\b\\vazio.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'), std::nullopt},
      {"C:\\b\\texto.zip", "isto não é um zip", std::nullopt},
      {"C:\\b\\curto.backup", "PGD", std::nullopt},
  };
  for (const auto& c : cases) {
    box.writeFile(c.name, c.content);
    EXPECT_EQ(backupKindOf(c.name), c.kind) << c.name;
  }
  EXPECT_EQ(backupKindOf("C:\\b\\inexistente.zip"), std::nullopt);
}

}  // namespace
}  // namespace tarvio
