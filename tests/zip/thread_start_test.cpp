// A thread that the system cannot start: the writer and the reader go on with the threads that
// did start, and the writer reports an error when not one compressing thread starts.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <system_error>

#include "tests/support/error_text.h"
#include "tests/zip/zip_drive.h"
#include "zip/zip_reader.h"
#include "zip/zip_writer.h"

namespace tarvio::zip {
namespace {

// Starts threads until the Nth start (counting from 1), which fails as std::thread does when the
// system has no thread left to give, and so do all later ones.
struct FailingStarter {
  int failFrom;
  std::shared_ptr<int> starts = std::make_shared<int>(0);
  std::thread operator()(std::function<void()> body) const {
    if (++*starts >= failFrom) throw std::system_error(EAGAIN, std::generic_category());
    return std::thread(std::move(body));
  }
};

class ThreadStartTest : public ::testing::Test {
 protected:
  test::ZipDrive drive;
  std::string data;
  void SetUp() override {
    for (int i = 0; data.size() < 3'000'000; ++i) data += "<linha n=\"" + std::to_string(i) + "\"/>\n";
    drive.writeFile("C:\\w\\big.xml", data);
    for (int i = 0; i < 20; ++i) drive.writeFile("C:\\w\\s\\" + std::to_string(i) + ".xml", std::to_string(i));
    drive.makeFolder("C:\\backup");
  }
  void write(const ThreadStarter& starter) {
    ZipWriter w;
    w.setThreads(3);
    w.setThreadStarter(starter);
    w.create("C:\\backup\\a.zip");
    w.setBaseFolder("C:\\w");
    w.addFiles("C:\\w\\*.*");
    w.close();
  }
};

TEST_F(ThreadStartTest, WriterGoesOnWithTheThreadsThatStarted) {
  FailingStarter starter{2};
  write(starter);
  EXPECT_EQ(*starter.starts, 2);
  ZipReader r;
  r.open("C:\\backup\\a.zip");
  r.test();
  EXPECT_EQ(r.entries().size(), 22u);
}

TEST_F(ThreadStartTest, WriterWithoutAnyThreadFailsAndLeavesNothing) {
  EXPECT_EQ(test::errorText<ZipError>([&] { write(FailingStarter{1}); }),
            "Cannot write the archive \"C:\\backup\\a.zip\": Cannot start a thread to compress the "
            "archive's files: Resource temporarily unavailable");
  EXPECT_EQ(drive.tree("C:\\backup"), std::vector<std::string>{});
}

TEST_F(ThreadStartTest, ReaderReadsBackAndExtractsWithTheThreadsThatStarted) {
  write(systemThreadStarter());
  for (int failFrom : {1, 2}) {
    SCOPED_TRACE(failFrom);
    FailingStarter readBack{failFrom}, extraction{failFrom};
    ZipReader r;
    r.setThreads(3);
    r.open("C:\\backup\\a.zip");
    r.setThreadStarter(readBack);
    r.verify();
    r.setThreadStarter(extraction);
    r.setOverwriteAlways(true);
    r.setBaseFolder("C:\\x");
    r.extract();
    EXPECT_EQ(*readBack.starts, failFrom);
    EXPECT_EQ(*extraction.starts, failFrom);
    EXPECT_TRUE(drive.readFile("C:\\x\\big.xml") == data);
    EXPECT_EQ(drive.readFile("C:\\x\\s\\19.xml"), "19");
  }
}

TEST(RunInParallel, EveryIndexOnceAndTheFirstFailureInIndexOrder) {
  for (unsigned threads : {1u, 2u, 4u}) {
    SCOPED_TRACE(threads);
    std::vector<std::atomic<int>> runs(500);
    runInParallel(runs.size(), threads, systemThreadStarter(), [&](size_t i) { ++runs[i]; });
    EXPECT_TRUE(std::all_of(runs.begin(), runs.end(), [](const auto& n) { return n == 1; }));
    EXPECT_EQ(test::errorText<ZipError>([&] {
                runInParallel(500, threads, FailingStarter{2}, [](size_t i) {
                  if (i == 37 || i == 38 || i == 400) throw ZipError("failed at " + std::to_string(i));
                });
              }),
              "failed at 37");
  }
}

}  // namespace
}  // namespace tarvio::zip
