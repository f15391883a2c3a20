// Drive paths onto the host folder that stands for drive C:.
#include <gtest/gtest.h>

#include "platform/posix/drive_path.h"

namespace tarvio {
namespace {

TEST(DrivePathTest, MapsDrivePathsAndLeavesNativePathsAlone) {
  struct Case {
    const char* path;
    const char* driveC;
    const char* expected;
  };
  const Case cases[] = {
      {"C:\\Meridano\\backup.bat", "/tmp/drive", "/tmp/drive/Meridano/backup.bat"},
      {"c:\\Meridano\\Tarvio\\backup\\", "/tmp/drive", "/tmp/drive/Meridano/Tarvio/backup/"},
      {"C:/Meridano/pgpass", "/tmp/drive/", "/tmp/drive/Meridano/pgpass"},
      {"C:\\", "/tmp/drive", "/tmp/drive/"},
      {"C:", "/tmp/drive", "/tmp/drive"},
      {"C:Meridano", "/tmp/drive", "/tmp/drive/Meridano"},
      {"D:\\dados\\x.zip", "/tmp/drive", "/tmp/drive/dados/x.zip"},
      {"C:\\Ação\\relatório.txt", "/tmp/drive", "/tmp/drive/Ação/relatório.txt"},
      {"/var/tmp/bench/dump.backup", "/tmp/drive", "/var/tmp/bench/dump.backup"},
      {"relative\\name.txt", "/tmp/drive", "relative\\name.txt"},
      {"1:\\x", "/tmp/drive", "1:\\x"},
      {"", "/tmp/drive", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(toHostPath(c.path, c.driveC), c.expected) << c.path;
}

}  // namespace
}  // namespace tarvio
