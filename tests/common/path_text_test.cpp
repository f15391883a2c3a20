// Paths as text: a name put inside a folder, and the last part of a path.
#include "common/path_text.h"

#include <gtest/gtest.h>

namespace tarvio {
namespace {

TEST(PathText, a_name_inside_a_folder_takes_the_folder_s_separator) {
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\copias", "C:\\copias\\t.zip"},
      {"C:\\copias\\", "C:\\copias\\t.zip"},
      {"\\\\servidor\\copias", "\\\\servidor\\copias\\t.zip"},
      {"D:/copias/", "D:/copias/t.zip"},
      {"/srv/copias", "/srv/copias/t.zip"},
      {"/srv/copias/", "/srv/copias/t.zip"},
  };
  for (const auto& [folder, path] : cases) EXPECT_EQ(pathInFolder(folder, "t.zip"), path) << folder;
}

TEST(PathText, the_last_part_of_a_path) {
  EXPECT_EQ(lastPathPart("C:\\Meridano\\Tarvio\\backup\\t.zip"), "t.zip");
  EXPECT_EQ(lastPathPart("/srv/copias/t.zip"), "t.zip");
  EXPECT_EQ(lastPathPart("t.zip"), "t.zip");
}

}  // namespace
}  // namespace tarvio
