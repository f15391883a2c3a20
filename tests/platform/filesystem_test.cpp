// The native file system: Windows error texts in their documented order, trees, listings, sizes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <thread>

#include "tests/platform/temp_drive.h"
#include "tests/support/error_text.h"

#ifdef _WIN32
#include <windows.h>

#include <thread>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tarvio {
namespace {

using test::TempDrive;


std::vector<std::string> sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

class FileSystemTest : public ::testing::Test {
 protected:
  TempDrive drive;
  FileSystem& fs = drive.fs();
  std::string p(std::string_view rel) const { return drive.path(rel); }
};

// Each case sets up the disk; the first failing check decides the message.
struct TransferCase {
  const char* name;
  std::function<void(TempDrive&)> setUp;
  const char* from;
  const char* to;
  std::string_view expected;
};

std::vector<TransferCase> transferCases() {
  auto source = [](TempDrive& d) {
    d.mkdirs("src");
    d.write("src\\a.txt", "new");
  };
  return {
      {"source folder missing, target exists too", [](TempDrive& d) { d.mkdirs("dst"); d.write("dst\\a.txt", "old"); },
       "nosrc\\a.txt", "dst\\a.txt", fserr::pathNotFound},
      {"source missing, target folder missing too", [](TempDrive& d) { d.mkdirs("src"); },
       "src\\a.txt", "nodst\\a.txt", fserr::fileNotFound},
      {"source is a folder", [](TempDrive& d) { d.mkdirs("src\\a.txt"); d.mkdirs("dst"); },
       "src\\a.txt", "dst\\a.txt", fserr::fileNotFound},
      {"target folder missing", source, "src\\a.txt", "nodst\\a.txt", fserr::pathNotFound},
      {"target exists", [=](TempDrive& d) { source(d); d.mkdirs("dst"); d.write("dst\\a.txt", "old"); },
       "src\\a.txt", "dst\\a.txt", fserr::fileExists},
      {"target is a folder", [=](TempDrive& d) { source(d); d.mkdirs("dst\\a.txt"); },
       "src\\a.txt", "dst\\a.txt", fserr::fileExists},
  };
}

TEST_F(FileSystemTest, CopyFileFailsWithTheFirstCheckThatFails) {
  for (const auto& c : transferCases()) {
    TempDrive d;
    c.setUp(d);
    EXPECT_EQ(test::errorText<FileError>([&] { d.fs().copyFile(d.path(c.from), d.path(c.to)); }), c.expected) << c.name;
    if (std::filesystem::is_regular_file(d.host(c.to))) {
      EXPECT_EQ(d.read(c.to), "old") << c.name;
    }
  }
}

TEST_F(FileSystemTest, MoveFileFailsWithTheFirstCheckThatFails) {
  for (const auto& c : transferCases()) {
    TempDrive d;
    c.setUp(d);
    EXPECT_EQ(test::errorText<FileError>([&] { d.fs().moveFile(d.path(c.from), d.path(c.to)); }), c.expected) << c.name;
    if (std::filesystem::is_regular_file(d.host(c.from))) {
      EXPECT_EQ(d.read(c.from), "new") << c.name;
    }
  }
}

TEST_F(FileSystemTest, CopyFileCopiesContentAndKeepsTheSource) {
  drive.mkdirs("src");
  drive.mkdirs("dst");
  std::string content(300000, 'x');
  content[123456] = '\0';
  drive.write("src\\dump.backup", content);
  fs.copyFile(p("src\\dump.backup"), p("dst\\restore.backup"));
  EXPECT_EQ(drive.read("dst\\restore.backup"), content);
  EXPECT_EQ(drive.read("src\\dump.backup"), content);
}

TEST_F(FileSystemTest, MoveFileRenamesWithinTheDrive) {
  drive.mkdirs("a\\b");
  drive.write("a\\b\\x.txt", "moved");
  fs.moveFile(p("a\\b\\x.txt"), p("a\\y.txt"));
  EXPECT_FALSE(fs.fileExists(p("a\\b\\x.txt")));
  EXPECT_EQ(drive.read("a\\y.txt"), "moved");
}

TEST_F(FileSystemTest, ExistenceTestsTellFilesFromFolders) {
  drive.mkdirs("dir");
  drive.write("file.txt", "1");
  EXPECT_TRUE(fs.fileExists(p("file.txt")));
  EXPECT_FALSE(fs.fileExists(p("dir")));
  EXPECT_FALSE(fs.fileExists(p("none.txt")));
  EXPECT_TRUE(fs.directoryExists(p("dir")));
  EXPECT_TRUE(fs.directoryExists(p("dir\\")));
  EXPECT_FALSE(fs.directoryExists(p("file.txt")));
  EXPECT_FALSE(fs.directoryExists(p("none")));
}

TEST_F(FileSystemTest, CreateDirectoryMakesOneLevelOnly) {
  EXPECT_TRUE(fs.createDirectory(p("one")));
  EXPECT_FALSE(fs.createDirectory(p("one"))) << "already exists";
  EXPECT_FALSE(fs.createDirectory(p("two\\three"))) << "parent missing";
  EXPECT_FALSE(fs.directoryExists(p("two")));
}

TEST_F(FileSystemTest, ForceDirectoriesMakesEveryMissingParent) {
  EXPECT_TRUE(fs.forceDirectories(p("tomcat9\\work\\tarvio\\")));
  EXPECT_TRUE(std::filesystem::is_directory(drive.host("tomcat9\\work\\tarvio")));
  EXPECT_TRUE(fs.forceDirectories(p("tomcat9\\work\\tarvio"))) << "an existing folder is fine";
  drive.write("blocker", "");
  EXPECT_FALSE(fs.forceDirectories(p("blocker\\sub")));
}

TEST_F(FileSystemTest, DeleteFileReportsWhatItCouldNotDelete) {
  drive.write("a.txt", "1");
  drive.write("ro.txt", "1");
  drive.mkdirs("dir");
  ASSERT_TRUE(fs.setAttributes(p("ro.txt"), attr::readOnly));
  EXPECT_TRUE(fs.deleteFile(p("a.txt")));
  EXPECT_FALSE(fs.fileExists(p("a.txt")));
  EXPECT_FALSE(fs.deleteFile(p("a.txt"))) << "missing";
  EXPECT_FALSE(fs.deleteFile(p("ro.txt"))) << "read-only, as on Windows";
  EXPECT_TRUE(fs.fileExists(p("ro.txt")));
  EXPECT_FALSE(fs.deleteFile(p("dir"))) << "a folder";
  EXPECT_TRUE(fs.directoryExists(p("dir")));
}

TEST_F(FileSystemTest, DeleteTreeRemovesReadOnlyFilesAndSubFolders) {
  drive.mkdirs("esocial\\remessas\\deep");
  drive.write("esocial\\remessas\\a.xml", "a");
  drive.write("esocial\\remessas\\deep\\b.xml", "b");
  drive.write("esocial\\remessas\\.hidden", "h");
  ASSERT_TRUE(fs.setAttributes(p("esocial\\remessas\\a.xml"), attr::readOnly));
  ASSERT_TRUE(fs.setAttributes(p("esocial\\remessas\\deep\\b.xml"), attr::readOnly));
  ASSERT_TRUE(fs.setAttributes(p("esocial\\remessas\\deep"), attr::readOnly | attr::directory));
  drive.write("esocial\\keep.txt", "k");

  fs.deleteTree(p("esocial\\remessas"));

  EXPECT_FALSE(std::filesystem::exists(drive.host("esocial\\remessas")));
  EXPECT_EQ(drive.read("esocial\\keep.txt"), "k");
  EXPECT_NO_THROW(fs.deleteTree(p("esocial\\remessas"))) << "a missing folder is no error";
  EXPECT_NO_THROW(fs.deleteTree(p("esocial\\keep.txt")));
  EXPECT_TRUE(fs.fileExists(p("esocial\\keep.txt"))) << "a file is not a tree";
}

TEST_F(FileSystemTest, MoveDirectoryOntoAnExistingTargetMovesNothing) {
  drive.mkdirs("zip\\esocial");
  drive.write("zip\\esocial\\a.xml", "a");
  drive.mkdirs("work\\esocial");
  EXPECT_EQ(test::errorText<FileError>([&] { fs.moveDirectory(p("zip\\esocial"), p("work\\esocial")); }), fserr::directoryExists);
  EXPECT_EQ(drive.read("zip\\esocial\\a.xml"), "a");
  EXPECT_TRUE(std::filesystem::is_empty(drive.host("work\\esocial")));
  EXPECT_EQ(test::errorText<FileError>([&] { fs.moveDirectory(p("zip\\esocial"), p("nowhere\\esocial")); }), fserr::pathNotFound);
  EXPECT_EQ(test::errorText<FileError>([&] { fs.moveDirectory(p("zip\\none"), p("work\\none")); }), fserr::pathNotFound);
}

TEST_F(FileSystemTest, MoveDirectoryMovesEverythingKeepingAttributes) {
  drive.mkdirs("zip\\reinf\\retornos\\empty");
  drive.write("zip\\reinf\\a.xml", "a");
  drive.write("zip\\reinf\\retornos\\b.xml", "b");
  ASSERT_TRUE(fs.setAttributes(p("zip\\reinf\\retornos\\b.xml"), attr::readOnly));
  drive.mkdirs("work");

  fs.moveDirectory(p("zip\\reinf"), p("work\\reinf"));

  EXPECT_EQ(drive.read("work\\reinf\\a.xml"), "a");
  EXPECT_EQ(drive.read("work\\reinf\\retornos\\b.xml"), "b");
  EXPECT_TRUE(fs.directoryExists(p("work\\reinf\\retornos\\empty")));
  EXPECT_TRUE(*fs.attributes(p("work\\reinf\\retornos\\b.xml")) & attr::readOnly);
  EXPECT_FALSE(*fs.attributes(p("work\\reinf\\a.xml")) & attr::readOnly);
  EXPECT_FALSE(std::filesystem::exists(drive.host("zip\\reinf"))) << "emptied source folders are removed";
  EXPECT_TRUE(fs.directoryExists(p("zip")));
}

TEST_F(FileSystemTest, ListFilesMatchesPatternsWithoutCase) {
  drive.mkdirs("zip\\backup\\sub.txt");
  for (const char* name : {"tarvio.backup", "Notes.TXT", "abc.txt", "readme", "a.b.c"}) {
    drive.write(std::string("zip\\backup\\") + name, "x");
  }
  struct Case {
    const char* pattern;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {"*", {"Notes.TXT", "a.b.c", "abc.txt", "readme", "tarvio.backup"}},
      {"*.*", {"Notes.TXT", "a.b.c", "abc.txt", "readme", "tarvio.backup"}},
      {"*.txt", {"Notes.TXT", "abc.txt"}},
      {"A?C.TXT", {"abc.txt"}},
      {"*.backup", {"tarvio.backup"}},
      {"nothing*", {}},
  };
  for (const auto& c : cases) {
    for (const char* folder : {"zip\\backup\\", "zip\\backup"}) {
      std::vector<std::string> expected;
      for (const auto& n : c.names) expected.push_back(p("zip\\backup\\") + n);
      EXPECT_EQ(sorted(fs.listFiles(p(folder), c.pattern)), sorted(expected)) << c.pattern << " in " << folder;
    }
  }
  EXPECT_EQ(test::errorText<FileError>([&] { fs.listFiles(p("zip\\none\\"), "*"); }), fserr::pathNotFound);
}

TEST_F(FileSystemTest, ListDirectoryGivesEntriesWithTheirKind) {
  drive.mkdirs("top\\sub");
  drive.write("top\\data.bin", std::string(1234, 'd'));
  std::vector<DirEntry> entries = fs.listDirectory(p("top"));
  ASSERT_EQ(entries.size(), 2u);
  std::sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.name < b.name; });
  EXPECT_EQ(entries[0].name, "data.bin");
  EXPECT_FALSE(entries[0].isDirectory);
  EXPECT_EQ(entries[0].size, 1234);
  EXPECT_TRUE(entries[0].attributes & attr::archive);
  EXPECT_EQ(entries[1].name, "sub");
  EXPECT_TRUE(entries[1].isDirectory);
  EXPECT_TRUE(entries[1].attributes & attr::directory);
  EXPECT_TRUE(fs.listDirectory(p("none")).empty());
}

TEST_F(FileSystemTest, FileSizeIsMinusOneForMissingFilesAndFolders) {
  drive.mkdirs("dir");
  drive.write("five", "12345");
  drive.write("empty", "");
  EXPECT_EQ(fs.fileSize(p("five")), 5);
  EXPECT_EQ(fs.fileSize(p("empty")), 0);
  EXPECT_EQ(fs.fileSize(p("none")), -1);
  EXPECT_EQ(fs.fileSize(p("dir")), -1);
}

TEST_F(FileSystemTest, FileSizeBeyondFourGibibytes) {
  constexpr int64_t big = (int64_t{5} << 30) + 7;
  drive.write("big.backup", "");
  std::filesystem::resize_file(drive.host("big.backup"), big);  // sparse where the disk allows
  EXPECT_EQ(fs.fileSize(p("big.backup")), big);
  auto in = fs.openRead(p("big.backup"));
  EXPECT_EQ(in->size(), big);
  char tail[16];
  EXPECT_EQ(in->readAt(big - 3, tail, sizeof tail), 3u);
}

TEST_F(FileSystemTest, AttributesAndReadOnly) {
  drive.mkdirs("dir");
  drive.write("f.txt", "1");
  EXPECT_EQ(fs.attributes(p("none")), std::nullopt);
  EXPECT_TRUE(*fs.attributes(p("dir")) & attr::directory);
  EXPECT_EQ(*fs.attributes(p("f.txt")) & (attr::directory | attr::readOnly), 0u);
  ASSERT_TRUE(fs.setAttributes(p("f.txt"), attr::readOnly | attr::archive));
  EXPECT_TRUE(*fs.attributes(p("f.txt")) & attr::readOnly);
  ASSERT_TRUE(fs.setAttributes(p("f.txt"), attr::archive));
  EXPECT_FALSE(*fs.attributes(p("f.txt")) & attr::readOnly);
  EXPECT_FALSE(fs.setAttributes(p("none"), attr::readOnly));
}

TEST_F(FileSystemTest, LastWriteTimeRoundTrips) {
  drive.write("f.txt", "1");
  const LocalTime when{2024, 7, 15, 13, 45, 30, 250};
  ASSERT_TRUE(fs.setLastWriteTime(p("f.txt"), when));
  EXPECT_EQ(fs.lastWriteTime(p("f.txt")), when);
  EXPECT_EQ(fs.listDirectory(p(""))[0].lastWrite, when);
  EXPECT_EQ(fs.lastWriteTime(p("none")), std::nullopt);
}

TEST_F(FileSystemTest, WrittenFilesReadBackAtAnyOffset) {
  std::string content;
  for (int i = 0; i < 700000; ++i) content += static_cast<char>('a' + i % 26);
  auto out = fs.createFile(p("out.bin"));
  for (size_t at = 0; at < content.size(); at += 1000) out->write(content.data() + at, std::min<size_t>(1000, content.size() - at));
  out->close();
  EXPECT_EQ(drive.read("out.bin"), content);

  auto in = fs.openRead(p("out.bin"));
  EXPECT_EQ(in->size(), static_cast<int64_t>(content.size()));
  std::string part(10, '\0');
  EXPECT_EQ(in->readAt(300001, part.data(), part.size()), 10u);
  EXPECT_EQ(part, content.substr(300001, 10));
  EXPECT_EQ(in->readAt(content.size() - 4, part.data(), part.size()), 4u);
  EXPECT_EQ(in->readAt(content.size() + 100, part.data(), part.size()), 0u);
}

TEST_F(FileSystemTest, CreateFileTruncatesAnExistingFile) {
  drive.write("script.bat", "an older and longer script");
  auto out = fs.createFile(p("script.bat"));
  out->write("new", 3);
  out->close();
  EXPECT_EQ(drive.read("script.bat"), "new");
}

TEST_F(FileSystemTest, CreateAndOpenFailWithThePathAndTheSystemText) {
  drive.write("ro.bat", "keep");
  ASSERT_TRUE(fs.setAttributes(p("ro.bat"), attr::readOnly));
  drive.mkdirs("folder");
  struct Case {
    std::function<void()> action;
    std::string expected;
  };
  using test::SystemError;
  const std::string noPath = test::systemText(SystemError::pathNotFound);
  const std::string noFile = test::systemText(SystemError::fileNotFound);
  const std::string denied = test::systemText(SystemError::accessDenied);
  const Case cases[] = {
      {[&] { fs.createFile(p("Meridano\\backup.bat")); },
       "Cannot create file \"" + p("Meridano\\backup.bat") + "\". " + noPath},
      {[&] { fs.createFile(p("ro.bat")); }, "Cannot create file \"" + p("ro.bat") + "\". " + denied},
      {[&] { fs.createFile(p("folder")); }, "Cannot create file \"" + p("folder") + "\". " + denied},
      {[&] { fs.openRead(p("none.zip")); }, "Cannot open file \"" + p("none.zip") + "\". " + noFile},
      {[&] { fs.openRead(p("nodir\\none.zip")); }, "Cannot open file \"" + p("nodir\\none.zip") + "\". " + noPath},
  };
  for (const auto& c : cases) EXPECT_EQ(test::errorText<FileError>(c.action), c.expected);
  EXPECT_EQ(drive.read("ro.bat"), "keep");
}

TEST_F(FileSystemTest, RenameReplacingSwapsInTheNewFile) {
  drive.write("archive.zip", "old");
  drive.write("archive.zip.tmp", "new");
  fs.renameReplacing(p("archive.zip.tmp"), p("archive.zip"));
  EXPECT_EQ(drive.read("archive.zip"), "new");
  EXPECT_FALSE(fs.fileExists(p("archive.zip.tmp")));
  EXPECT_NE(test::errorText<FileError>([&] { fs.renameReplacing(p("none.tmp"), p("archive.zip")); }), "(no error)");
  EXPECT_EQ(drive.read("archive.zip"), "new");
}

TEST_F(FileSystemTest, AppendWholeAddsAtTheEndAndCreatesAMissingFile) {
  fs.appendWhole(p("historico.txt"), "first\r\n");
  fs.appendWhole(p("historico.txt"), "second\r\n");
  EXPECT_EQ(drive.read("historico.txt"), "first\r\nsecond\r\n");

  drive.write("ro.txt", "keep");
  ASSERT_TRUE(fs.setAttributes(p("ro.txt"), attr::readOnly));
  drive.mkdirs("folder");
  using test::SystemError;
  const std::string denied = test::systemText(SystemError::accessDenied);
  EXPECT_EQ(test::errorText<FileError>([&] { fs.appendWhole(p("nodir\\h.txt"), "x"); }),
            "Cannot write file \"" + p("nodir\\h.txt") + "\". " + test::systemText(SystemError::pathNotFound));
  EXPECT_EQ(test::errorText<FileError>([&] { fs.appendWhole(p("ro.txt"), "x"); }),
            "Cannot write file \"" + p("ro.txt") + "\". " + denied);
  EXPECT_EQ(test::errorText<FileError>([&] { fs.appendWhole(p("folder"), "x"); }),
            "Cannot write file \"" + p("folder") + "\". " + denied);
  EXPECT_EQ(drive.read("ro.txt"), "keep");
}

// Writers appending at the same time, each with lines of many sizes: every line arrives whole, none
// of them cut by another's.
TEST_F(FileSystemTest, AppendsAtTheSameTimeNeverCutIntoEachOther) {
  constexpr int writers = 4, linesEach = 150;
  std::vector<std::thread> threads;
  for (int w = 0; w < writers; ++w) {
    threads.emplace_back([&, w] {
      for (int i = 0; i < linesEach; ++i) {
        std::string line = std::to_string(w) + ":" + std::to_string(i) + ":" +
                           std::string(static_cast<size_t>(1 + (i * 97) % 3000), static_cast<char>('a' + w)) + "\r\n";
        fs.appendWhole(p("historico.txt"), line);  // each call opens the file anew, as another program would
      }
    });
  }
  for (auto& t : threads) t.join();

  std::string all = drive.read("historico.txt");
  std::vector<int> next(writers, 0);
  size_t at = 0;
  int lines = 0;
  while (at < all.size()) {
    size_t end = all.find("\r\n", at);
    ASSERT_NE(end, std::string::npos) << "a line without its end at " << at;
    std::string line = all.substr(at, end - at);
    at = end + 2;
    int w = line[0] - '0';
    ASSERT_TRUE(w >= 0 && w < writers) << line.substr(0, 20);
    std::string expected = std::to_string(w) + ":" + std::to_string(next[w]) + ":" +
                           std::string(static_cast<size_t>(1 + (next[w] * 97) % 3000), static_cast<char>('a' + w));
    ASSERT_EQ(line, expected) << "line " << lines;
    ++next[w];
    ++lines;
  }
  EXPECT_EQ(lines, writers * linesEach);
}

TEST_F(FileSystemTest, PathsBeyondTheOldLimitOf260CharactersWork) {
  std::string folder;
  for (int i = 0; i < 5; ++i) folder += (i ? "\\" : "") + std::string(60, static_cast<char>('a' + i));
  const std::string file = folder + "\\dados.xml";
  ASSERT_GT(p(file).size(), 300u);
  ASSERT_TRUE(fs.forceDirectories(p(folder)));
  auto out = fs.createFile(p(file + ".tmp"));
  out->write("longo", 5);
  out->close();
  fs.renameReplacing(p(file + ".tmp"), p(file));
  EXPECT_TRUE(fs.fileExists(p(file)));
  EXPECT_EQ(fs.fileSize(p(file)), 5);
  std::vector<DirEntry> entries = fs.listDirectory(p(folder));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "dados.xml");
  char back[8] = {};
  EXPECT_EQ(fs.openRead(p(file))->readAt(0, back, sizeof back), 5u);
  EXPECT_EQ(std::string(back), "longo");
  fs.copyFile(p(file), p(folder + "\\copia.xml"));
  EXPECT_EQ(fs.listFiles(p(folder), "*.xml").size(), 2u);
  fs.deleteTree(p(std::string(60, 'a')));
  EXPECT_FALSE(fs.directoryExists(p(std::string(60, 'a'))));
}

TEST_F(FileSystemTest, IdentityIsTheSameWhateverThePathThatNamesIt) {
  drive.mkdirs("copias\\sub");
  drive.write("copias\\sub\\t.backup", "PGDMP");
  drive.write("copias\\outro.backup", "PGDMP");
  auto id = fs.identity(p("copias\\sub\\t.backup"));
  ASSERT_TRUE(id);
  EXPECT_EQ(fs.identity(p("copias\\sub\\..\\sub\\.\\t.backup")), id);
  EXPECT_NE(fs.identity(p("copias\\outro.backup")), id);
  EXPECT_EQ(fs.identity(p("copias\\none")), std::nullopt);

  std::vector<FileIdentity> chain = fs.identityWithAncestors(p("copias\\sub\\..\\sub\\t.backup"));
  ASSERT_GE(chain.size(), 3u);
  EXPECT_EQ(chain[0], *id);
  EXPECT_EQ(chain[1], *fs.identity(p("copias\\sub")));
  EXPECT_EQ(chain[2], *fs.identity(p("copias")));
  EXPECT_TRUE(fs.identityWithAncestors(p("copias\\none")).empty());
  ASSERT_TRUE(fs.freeSpace(p("copias")));
  EXPECT_GT(*fs.freeSpace(p("copias")), 0u);
}

#ifdef _WIN32
TEST_F(FileSystemTest, AFileHeldOpenForWritingByAnotherProgramCanBeRead) {
  drive.write("catalina.log", "linha 1");
  // As a running server holds its log: writing, sharing reading and writing only.
  HANDLE writer = CreateFileW(std::filesystem::path(drive.host("catalina.log")).wstring().c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  char back[8] = {};
  EXPECT_EQ(fs.openRead(p("catalina.log"))->readAt(0, back, sizeof back), 7u);
  CloseHandle(writer);
  EXPECT_EQ(std::string(back), "linha 1");
}

TEST_F(FileSystemTest, AFolderMoveTellsOfAFileItHadToLeaveBehind) {
  drive.mkdirs("zip\\esocial\\lotes");
  drive.write("zip\\esocial\\a.xml", "a");
  drive.write("zip\\esocial\\lotes\\b.xml", "b");
  drive.mkdirs("work");
  // Held by another program without sharing its deletion: it cannot be moved.
  HANDLE holder = CreateFileW(std::filesystem::path(drive.host("zip\\esocial\\lotes\\b.xml")).wstring().c_str(),
                              GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  std::string error = test::errorText<FileError>([&] { fs.moveDirectory(p("zip\\esocial"), p("work\\esocial")); });
  CloseHandle(holder);
  EXPECT_EQ(error.rfind("Cannot move the folder \"" + p("zip\\esocial") + "\" to \"" + p("work\\esocial") +
                            "\": \"" + p("zip\\esocial\\lotes\\b.xml") + "\" was left where it was. ",
                        0),
            0u)
      << error;
  EXPECT_EQ(drive.read("work\\esocial\\a.xml"), "a");  // the rest was moved
  EXPECT_EQ(drive.read("zip\\esocial\\lotes\\b.xml"), "b");
}

TEST_F(FileSystemTest, RenameWaitsForAProgramThatHoldsTheFileForAMoment) {
  drive.write("archive.zip", "old");
  drive.write("archive.zip.tmp", "new");
  // As a virus scanner holds a file it examines: no sharing of deletion for a moment.
  HANDLE scanner = CreateFileW(std::filesystem::path(drive.host("archive.zip")).wstring().c_str(), GENERIC_READ,
                               FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(scanner, INVALID_HANDLE_VALUE);
  std::thread release([scanner] {
    Sleep(300);
    CloseHandle(scanner);
  });
  std::string error = test::errorText<FileError>([&] { fs.renameReplacing(p("archive.zip.tmp"), p("archive.zip")); });
  release.join();
  EXPECT_EQ(error, "(no error)");
  EXPECT_EQ(drive.read("archive.zip"), "new");
}
#else
TEST_F(FileSystemTest, AFolderThatCannotBeListedIsAnErrorNotAnEmptyFolder) {
  // A folder deeper than the system's limit for a path (PATH_MAX): it exists, but cannot be opened
  // by its path, as a folder without access cannot.
  drive.mkdirs("deep");
  int fd = open(drive.host("deep").c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  std::string rel = "deep";
  const std::string part(200, 'p');
  for (int i = 0; i < 25; ++i) {
    ASSERT_EQ(mkdirat(fd, part.c_str(), 0755), 0);
    int next = openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY);
    close(fd);
    fd = next;
    ASSERT_GE(fd, 0);
    rel += "\\" + part;
  }
  close(fd);
  std::string error = test::errorText<FileError>([&] { fs.listDirectory(p(rel)); });
  EXPECT_EQ(error.rfind("Cannot list the folder \"" + p(rel) + "\". ", 0), 0u) << error;
  fs.deleteTree(p("deep"));
}

TEST_F(FileSystemTest, AFolderMovesOntoAnotherFileSystemByCopying) {
  // The target reached through a link onto a file system of its own (a tmpfs), where renaming fails.
  std::filesystem::path other = std::filesystem::temp_directory_path();
  struct stat here {}, shm {};
  if (stat("/dev/shm", &shm) != 0 || stat(drive.host("").c_str(), &here) != 0 || shm.st_dev == here.st_dev) {
    GTEST_SKIP() << "no second file system to move onto";
  }
  char pattern[] = "/dev/shm/tarvio-move-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  std::filesystem::create_directory_symlink(pattern, drive.host("work"));
  drive.mkdirs("zip\\reinf\\retornos");
  drive.write("zip\\reinf\\retornos\\r.xml", "retorno");
  ASSERT_TRUE(fs.setLastWriteTime(p("zip\\reinf\\retornos\\r.xml"), LocalTime{2023, 1, 2, 3, 4, 5, 0}));
  std::string error = test::errorText<FileError>([&] { fs.moveDirectory(p("zip\\reinf"), p("work\\reinf")); });
  EXPECT_EQ(error, "(no error)");
  EXPECT_EQ(drive.read("work\\reinf\\retornos\\r.xml"), "retorno");
  EXPECT_EQ(fs.lastWriteTime(p("work\\reinf\\retornos\\r.xml")), (LocalTime{2023, 1, 2, 3, 4, 5, 0}));
  EXPECT_FALSE(std::filesystem::exists(drive.host("zip\\reinf")));
  std::filesystem::remove_all(pattern);
}

TEST_F(FileSystemTest, AFolderMoveTellsOfAFileItHadToLeaveBehind) {
  // A file deeper than the system's limit for a path cannot be moved by its path.
  drive.mkdirs("zip\\esocial");
  drive.write("zip\\esocial\\a.xml", "a");
  int fd = open(drive.host("zip\\esocial").c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  const std::string part(200, 'p');
  for (int i = 0; i < 25; ++i) {
    ASSERT_EQ(mkdirat(fd, part.c_str(), 0755), 0);
    int next = openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY);
    close(fd);
    fd = next;
  }
  close(openat(fd, "fundo.xml", O_WRONLY | O_CREAT, 0644));
  close(fd);
  drive.mkdirs("work");
  std::string error = test::errorText<FileError>([&] { fs.moveDirectory(p("zip\\esocial"), p("work\\esocial")); });
  EXPECT_EQ(error.rfind("Cannot move the folder \"" + p("zip\\esocial") + "\" to \"" + p("work\\esocial") + "\": \"" +
                            p("zip\\esocial\\" + part),
                        0),
            0u)
      << error.substr(0, 300);
  EXPECT_EQ(drive.read("work\\esocial\\a.xml"), "a");  // the rest was moved
  fs.deleteTree(p("zip"));
  fs.deleteTree(p("work"));
}

TEST_F(FileSystemTest, SymbolicLinksAreMarkedAsLinksAndDescribedByTheirTarget) {
  drive.mkdirs("top\\sub");
  drive.write("top\\f.txt", "x");
  std::filesystem::create_directory_symlink(drive.host("top"), drive.host("top\\sub\\loop"));
  std::filesystem::create_symlink(drive.host("top\\f.txt"), drive.host("top\\sub\\f-link.txt"));
  std::filesystem::create_symlink(drive.host("top\\none"), drive.host("top\\sub\\dangling"));
  std::vector<DirEntry> entries = fs.listDirectory(p("top\\sub"));
  std::sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.name < b.name; });
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, "dangling");
  EXPECT_TRUE(entries[0].attributes & attr::reparsePoint);
  EXPECT_EQ(entries[1].name, "f-link.txt");
  EXPECT_FALSE(entries[1].isDirectory);
  EXPECT_EQ(entries[1].size, 1);
  EXPECT_TRUE(entries[1].attributes & attr::reparsePoint);
  EXPECT_EQ(entries[2].name, "loop");
  EXPECT_TRUE(entries[2].isDirectory);
  EXPECT_TRUE(entries[2].attributes & attr::reparsePoint);
  // Through the link, a file is seen inside the folder it really lies in.
  std::vector<FileIdentity> chain = fs.identityWithAncestors(p("top\\sub\\loop\\f.txt"));
  ASSERT_GE(chain.size(), 2u);
  EXPECT_EQ(chain[1], *fs.identity(p("top")));
  EXPECT_NE(chain[1], *fs.identity(p("top\\sub")));
}
#endif

}  // namespace
}  // namespace tarvio
