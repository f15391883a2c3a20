// Archives within the classic 32-bit limits keep their exact bytes: the fixture classic.zip was
// written by the writer before it could write ZIP64 records, and the same sources must still give
// the same archive, byte for byte. Its entries avoid depending on zlib's output: the file data is
// either incompressible (stored blocks, framed by our own code), empty, or three bytes of text.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "platform/platform.h"
#include "tests/support/host_file.h"
#include "tests/zip/zip_drive.h"
#include "zip/zip_writer.h"

#ifndef TARVIO_ZIP_FIXTURES
#error "TARVIO_ZIP_FIXTURES must name the fixture folder"
#endif

namespace tarvio::zip {
namespace {

// The archive of the pinned fixture, made from fixed sources: one entry per addFiles call, so
// the order does not depend on how the file system lists a folder.
void writeClassicArchive(test::ZipDrive& drive, const std::string& archive) {
  std::mt19937 rng(2024);
  std::string noise;
  for (int i = 0; i < 70'000; ++i) noise.push_back(static_cast<char>(rng()));  // two stored blocks
  drive.writeFile("C:\\w\\dados\\a\xc3\xa7\xc3\xa3o.bin", noise);                      // OEM name
  drive.writeFile("C:\\w\\dados\\recibo-\xe2\x82\xac.txt", "<a>");                    // UTF-8 name
  drive.writeFile("C:\\w\\dados\\vazio.txt", "");
  drive.makeFolder("C:\\w\\pasta\\vazia");
  LocalTime t{2023, 7, 8, 10, 20, 30, 0};
  for (const char* f : {"a\xc3\xa7\xc3\xa3o.bin", "recibo-\xe2\x82\xac.txt", "vazio.txt"}) {
    ASSERT_TRUE(fs().setLastWriteTime(std::string("C:\\w\\dados\\") + f, t));
  }
  ASSERT_TRUE(fs().setAttributes("C:\\w\\dados\\vazio.txt", attr::readOnly));
  ZipWriter w;
  w.create(archive);
  w.setBaseFolder("C:\\w");
  w.addFiles("C:\\w\\dados\\a\xc3\xa7\xc3\xa3o.bin");
  w.addFiles("C:\\w\\dados\\recibo-\xe2\x82\xac.txt");
  w.addFiles("C:\\w\\dados\\vazio.txt");
  w.addFiles("C:\\w\\pasta\\*.*");
  w.close();
}

TEST(ZipPinnedBytes, ArchiveWithinClassicLimitsIsUnchanged) {
  test::ZipDrive drive;
  writeClassicArchive(drive, "C:\\classic.zip");
  std::string written = drive.readFile("C:\\classic.zip");
  std::string pinned = test::readHostFile(std::string(TARVIO_ZIP_FIXTURES) + "/classic.zip");
  ASSERT_FALSE(pinned.empty());
  size_t differs = std::mismatch(written.begin(), written.end(), pinned.begin(), pinned.end()).first - written.begin();
  EXPECT_TRUE(written == pinned) << "sizes " << written.size() << " and " << pinned.size()
                                 << ", first difference at byte " << differs;
}

}  // namespace
}  // namespace tarvio::zip
