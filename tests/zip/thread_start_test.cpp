// A thread that the system cannot start: the writer and the reader go on with the threads that
// did start, and the writer reports an error when not one compressing thread starts.
#include <gtest/gtest.h>

#include <cerrno>
#include <system_error>

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
    drive.write("C:\\w\\big.xml", data);
    for (int i = 0; i < 20; ++i) drive.write("C:\\w\\s\\" + std::to_string(i) + ".xml", std::to_string(i));
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
  try {
    write(FailingStarter{1});
    FAIL() << "no error";
  } catch (const ZipError& e) {
    EXPECT_STREQ(e.what(),
                 "Cannot write the archive \"C:\\backup\\a.zip\": Cannot start a thread to compress the "
                 "archive's files: Resource temporarily unavailable");
  }
  EXPECT_EQ(drive.tree("C:\\backup"), "");
}

TEST_F(ThreadStartTest, ReaderExtractsWithTheThreadsThatStarted) {
  write(systemThreadStarter());
  for (int failFrom : {1, 2}) {
    SCOPED_TRACE(failFrom);
    FailingStarter starter{failFrom};
    ZipReader r;
    r.setThreads(3);
    r.setThreadStarter(starter);
    r.open("C:\\backup\\a.zip");
    r.setOverwriteAlways(true);
    r.setBaseFolder("C:\\x");
    r.extract();
    EXPECT_EQ(*starter.starts, failFrom);
    EXPECT_TRUE(drive.read("C:\\x\\big.xml") == data);
    EXPECT_EQ(drive.read("C:\\x\\s\\19.xml"), "19");
  }
}

}  // namespace
}  // namespace tarvio::zip
