// What only the POSIX file system can show: write failures from the disk and native paths.
#include <gtest/gtest.h>

#include "platform/native.h"
#include "tests/platform/temp_drive.h"
#include "tests/support/error_text.h"

namespace tarvio {
namespace {

TEST(PosixFileSystemTest, FullDiskFailsTheWriteWithThePath) {
  auto fs = makeNativeFileSystem("/nonexistent-drive");
  auto out = fs->createFile("/dev/full");
  std::string block(1 << 20, 'x');
  EXPECT_EQ(test::errorText<FileError>([&] {
              out->write(block.data(), block.size());
              out->close();
            }),
            "Cannot write file \"/dev/full\". There is not enough space on the disk");
}

TEST(PosixFileSystemTest, NativePathsBypassTheDrive) {
  test::TempDrive drive;
  drive.write("native.txt", "n");
  auto fs = makeNativeFileSystem("/nonexistent-drive");
  EXPECT_TRUE(fs->fileExists(drive.host("native.txt").string()));
  EXPECT_EQ(fs->listFiles(drive.host("").string(), "*.txt"),
            std::vector<std::string>{drive.host("").string() + "native.txt"});
}

TEST(PosixFileSystemTest, DotNamesAreHidden) {
  test::TempDrive drive;
  drive.write(".pgpass", "");
  drive.write("pgpass", "");
  EXPECT_TRUE(*drive.fs().attributes(drive.path(".pgpass")) & attr::hidden);
  EXPECT_FALSE(*drive.fs().attributes(drive.path("pgpass")) & attr::hidden);
}

}  // namespace
}  // namespace tarvio
