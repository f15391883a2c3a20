// The first command-line argument and the "backup" rule.
#include "app/command_line.h"

#include <gtest/gtest.h>

namespace tarvio {
namespace {

struct LineCase {
  const char* commandLine;
  bool runsBackup;
};

TEST(command_line, first_argument_decides_backup) {
  const LineCase cases[] = {
      {"prog.exe backup", true},
      {"prog.exe BACKUP", true},
      {"prog.exe Backup", true},
      {"prog.exe \"backup\"", true},
      {"\"C:\\Program Files\\prog.exe\" backup", true},
      {"prog.exe back\"up\"", true},
      {"prog.exe\tbackup extra", true},
      {"prog.exe /backup", false},
      {"prog.exe -backup", false},
      {"prog.exe backupx", false},
      {"prog.exe \"backup \"", false},
      {"prog.exe other backup", false},
      {"prog.exe", false},
      {"prog.exe BACKUP\xC3\xA9", false},
  };
  for (const auto& c : cases) {
    auto args = splitCommandLine(c.commandLine);
    std::string first = args.size() > 1 ? args[1] : "";
    EXPECT_EQ(isBackupArgument(first), c.runsBackup) << c.commandLine;
  }
}

TEST(command_line, splits_on_blanks_and_control_characters_and_removes_quotes) {
  auto args = splitCommandLine("  a.exe \"one two\"\x01three  \"\"  f\"o\"o ");
  ASSERT_EQ(args.size(), 5u);
  EXPECT_EQ(args[0], "a.exe");
  EXPECT_EQ(args[1], "one two");
  EXPECT_EQ(args[2], "three");
  EXPECT_EQ(args[3], "");
  EXPECT_EQ(args[4], "foo");
}

TEST(command_line, only_ascii_letters_are_lowered) {
  // "İ" (U+0130) must not be folded to "i".
  EXPECT_FALSE(isBackupArgument("BACKUP\xC4\xB0"));
  EXPECT_FALSE(isBackupArgument("backüp"));
}

}  // namespace
}  // namespace tarvio
