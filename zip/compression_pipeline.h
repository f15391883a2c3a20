// Reads and compresses the archive's files ahead of the writer on all cores: every file is cut
// into pieces of up to 1 MiB, worker threads compress the pieces in any order, and the writer
// takes the results back in file order. Memory stays bounded by the bytes in flight.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "zip/worker_threads.h"

namespace tarvio::zip {

struct SourceFile {
  std::string path;
  uint64_t size = 0;  // the size when the file was added; the entry holds that many bytes
};

// One compressed piece: its Deflate bytes and the CRC-32 of its input.
struct Piece {
  std::string deflated;
  uint32_t crc = 0;
  uint64_t inputOffset = 0;
  size_t inputLength = 0;
  bool stored = false;  // `deflated` holds the input as stored blocks
  bool last = false;
};

size_t pieceCount(uint64_t fileSize);

class CompressionPipeline {
 public:
  CompressionPipeline(std::vector<SourceFile> files, unsigned threads, size_t bytesInFlight,
                      const ThreadStarter& startThread);
  ~CompressionPipeline();  // stops the workers, whatever was taken
  CompressionPipeline(const CompressionPipeline&) = delete;
  CompressionPipeline& operator=(const CompressionPipeline&) = delete;

  // The next piece in file order; rethrows the failure of reading or compressing it.
  Piece take();

 private:
  struct Job;
  struct Slot;
  struct OpenFile;
  void work();
  void stop();
  Piece process(size_t jobIndex, class ChunkDeflater& deflater, std::string& buffer);

  std::vector<SourceFile> files_;
  std::vector<Job> jobs_;
  std::vector<Slot> slots_;
  std::vector<std::unique_ptr<OpenFile>> open_;
  size_t budget_;
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t nextJob_ = 0;
  size_t nextTake_ = 0;
  size_t inFlight_ = 0;
  bool stopping_ = false;
  WorkerThreads workers_;  // last: its threads end before the members they use go
};

}  // namespace tarvio::zip
