// Progress of writing, reading back and extracting: reported on the calling thread only, rising
// to the total, which is the sum of the files' sizes, and ending with done == total.
#include <gtest/gtest.h>

#include <random>
#include <thread>
#include <vector>

#include "tests/zip/zip_drive.h"
#include "zip/zip_reader.h"
#include "zip/zip_writer.h"

namespace tarvio::zip {
namespace {

struct Call {
  uint64_t done, total;
  std::thread::id thread;
};

// Records every report, and checks the reports of one operation.
struct Recorder {
  std::vector<Call> calls;
  Progress progress() {
    return [this](uint64_t done, uint64_t total) { calls.push_back({done, total, std::this_thread::get_id()}); };
  }
  void check(uint64_t expectedTotal) const {
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls.front().done, 0u);
    EXPECT_EQ(calls.back().done, expectedTotal);
    for (size_t i = 0; i < calls.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(calls[i].total, expectedTotal);
      EXPECT_EQ(calls[i].thread, std::this_thread::get_id());
      if (i > 0) {
        EXPECT_GE(calls[i].done, calls[i - 1].done);
        // Not more often than every 64 KiB, the last report aside.
        if (i + 1 < calls.size()) {
          EXPECT_GE(calls[i].done - calls[i - 1].done, 64u << 10);
        }
      }
    }
  }
  // The writer takes every piece on the calling thread, so it reports about once per MiB; the
  // reader's calling thread reports what the workers did whenever it looks, so less regularly.
  void checkRegular(uint64_t expectedTotal) const {
    check(expectedTotal);
    EXPECT_GE(calls.size(), 2 + expectedTotal / (2u << 20)) << "at least one report per 2 MiB";
  }
};

TEST(ZipProgress, WriteReadBackAndExtractReportTheSumOfTheFileSizes) {
  test::ZipDrive drive;
  std::mt19937 rng(3);
  std::string noise, text;
  for (int i = 0; i < 4'000'000; ++i) noise.push_back(static_cast<char>(rng()));
  for (int i = 0; text.size() < 6'000'000; ++i) text += "<linha n=\"" + std::to_string(i) + "\"/>\n";
  drive.writeFile("C:\\w\\backup\\tarvio.backup", noise);
  drive.writeFile("C:\\w\\esocial\\texto.xml", text);
  uint64_t total = noise.size() + text.size();
  for (int i = 0; i < 300; ++i) {
    std::string small(1000 + i, 'x');
    drive.writeFile("C:\\w\\esocial\\s\\" + std::to_string(i) + ".xml", small);
    total += small.size();
  }
  drive.makeFolder("C:\\w\\esocial\\vazia");

  Recorder writing;
  ZipWriter w;
  w.setThreads(3);
  w.setProgress(writing.progress());
  w.create("C:\\a.zip");
  w.setBaseFolder("C:\\w");
  w.addFiles("C:\\w\\backup\\tarvio.backup");
  w.addFiles("C:\\w\\esocial\\*.*");
  w.close();
  writing.checkRegular(total);

  Recorder readBack, extraction;
  ZipReader r;
  r.setThreads(3);
  r.open("C:\\a.zip");
  EXPECT_EQ(r.totalSize(), total);
  r.setProgress(readBack.progress());
  r.verify();
  readBack.check(total);
  r.setProgress(extraction.progress());
  r.setBaseFolder("C:\\x");
  r.extract();
  extraction.check(total);
}

TEST(ZipProgress, EmptyArchiveReportsZeroOfZero) {
  test::ZipDrive drive;
  drive.makeFolder("C:\\w\\vazia");
  Recorder writing;
  ZipWriter w;
  w.setProgress(writing.progress());
  w.create("C:\\a.zip");
  w.setBaseFolder("C:\\w");
  w.addFiles("C:\\w\\*.*");
  w.close();
  ASSERT_EQ(writing.calls.size(), 1u);
  EXPECT_EQ(writing.calls[0].done, 0u);
  EXPECT_EQ(writing.calls[0].total, 0u);
}

}  // namespace
}  // namespace tarvio::zip
