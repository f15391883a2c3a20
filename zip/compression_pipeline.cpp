// The worker threads that read and compress file pieces ahead of the archive writer.
#include "zip/compression_pipeline.h"

#include <zlib.h>

#include <algorithm>
#include <optional>

#include "platform/platform.h"
#include "zip/chunk_deflate.h"
#include "zip/zip_error.h"

namespace tarvio::zip {

struct CompressionPipeline::Job {
  size_t file = 0;
  uint64_t offset = 0;
  size_t length = 0;
  bool last = false;
};

struct CompressionPipeline::Slot {
  bool ready = false;
  Piece piece;
  std::exception_ptr error;
};

// A source file opened by whichever worker reaches one of its pieces first, closed when the
// last of its pieces is done.
struct CompressionPipeline::OpenFile {
  std::mutex mutex;
  bool tried = false;
  std::shared_ptr<InputFile> file;
  std::exception_ptr error;
  size_t piecesLeft = 0;
};

size_t pieceCount(uint64_t fileSize) {
  return fileSize == 0 ? 1 : static_cast<size_t>((fileSize + chunkSize - 1) / chunkSize);
}

CompressionPipeline::CompressionPipeline(std::vector<SourceFile> files, unsigned threads, size_t bytesInFlight,
                                         const ThreadStarter& startThread)
    : files_(std::move(files)), budget_(bytesInFlight), workers_(startThread, [this] { stop(); }) {
  for (size_t f = 0; f < files_.size(); ++f) {
    size_t n = pieceCount(files_[f].size);
    auto open = std::make_unique<OpenFile>();
    open->piecesLeft = n;
    open_.push_back(std::move(open));
    for (size_t i = 0; i < n; ++i) {
      uint64_t offset = static_cast<uint64_t>(i) * chunkSize;
      size_t length = static_cast<size_t>(std::min<uint64_t>(chunkSize, files_[f].size - offset));
      jobs_.push_back(Job{f, offset, length, i + 1 == n});
    }
  }
  slots_.resize(jobs_.size());
  // Fewer threads than asked for only make the archive slower; without any, nothing compresses.
  if (workers_.start(std::max(1u, threads), [this] { work(); }) == 0) {
    throw ZipError("Cannot start a thread to compress the archive's files: " + workers_.startFailure());
  }
}

CompressionPipeline::~CompressionPipeline() {
  stop();
  workers_.join();
}

void CompressionPipeline::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
}

void CompressionPipeline::work() {
  // Made with the first piece, so that a failure to make it is that piece's error, not an
  // exception escaping the thread.
  std::optional<ChunkDeflater> deflater;
  std::string buffer;
  std::unique_lock lock(mutex_);
  while (true) {
    // A piece may start when it fits the budget, or when the writer is waiting for it.
    changed_.wait(lock, [this] {
      return stopping_ || nextJob_ == jobs_.size() || nextJob_ == nextTake_ ||
             inFlight_ + jobs_[nextJob_].length <= budget_;
    });
    if (stopping_ || nextJob_ == jobs_.size()) return;
    size_t index = nextJob_++;
    inFlight_ += jobs_[index].length;
    lock.unlock();
    Slot result;
    try {
      if (!deflater) deflater.emplace();
      result.piece = process(index, *deflater, buffer);
    } catch (...) {
      result.error = std::current_exception();
    }
    lock.lock();
    result.ready = true;
    slots_[index] = std::move(result);
    changed_.notify_all();
  }
}

Piece CompressionPipeline::process(size_t jobIndex, ChunkDeflater& deflater, std::string& buffer) {
  const Job& job = jobs_[jobIndex];
  const SourceFile& source = files_[job.file];
  OpenFile& open = *open_[job.file];
  std::shared_ptr<InputFile> file;
  {
    std::lock_guard lock(open.mutex);
    if (!open.tried) {
      open.tried = true;
      try {
        open.file = fs().openRead(source.path);
      } catch (...) {
        open.error = std::current_exception();
      }
    }
    if (open.error) std::rethrow_exception(open.error);
    file = open.file;
  }
  size_t history = static_cast<size_t>(std::min<uint64_t>(job.offset, historySize));
  buffer.resize(history + job.length);
  size_t got = job.length + history == 0 ? 0 : file->readAt(job.offset - history, buffer.data(), buffer.size());
  if (got != buffer.size()) {
    throw ZipError("The file \"" + source.path + "\" became shorter while it was being archived");
  }
  std::string_view all(buffer);
  Piece piece;
  piece.inputOffset = job.offset;
  piece.inputLength = job.length;
  piece.last = job.last;
  piece.crc = static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(buffer.data() + history), static_cast<uInt>(job.length)));
  piece.stored = deflater.compress(all.substr(0, history), all.substr(history), job.last, piece.deflated);
  {
    std::lock_guard lock(open.mutex);
    if (--open.piecesLeft == 0) open.file.reset();
  }
  return piece;
}

Piece CompressionPipeline::take() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return slots_[nextTake_].ready; });
  Slot slot = std::move(slots_[nextTake_]);
  slots_[nextTake_] = Slot{};
  inFlight_ -= jobs_[nextTake_].length;
  ++nextTake_;
  lock.unlock();
  changed_.notify_all();
  if (slot.error) std::rethrow_exception(slot.error);
  return std::move(slot.piece);
}

}  // namespace tarvio::zip
