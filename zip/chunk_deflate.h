// Compresses the pieces of a file independently into pieces of one raw Deflate stream, so that
// several threads can compress one large file and the writer can join the pieces end to end.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tarvio::zip {

// Largest piece of a file compressed as one unit of work.
constexpr size_t chunkSize = 1u << 20;
// Deflate looks back at most this far; each piece is compressed with this much of the file
// before it as its dictionary, so joining the pieces loses almost nothing.
constexpr size_t historySize = 32u << 10;

// One thread's Deflate state at level 1, reused from piece to piece.
class ChunkDeflater {
 public:
  ChunkDeflater();
  ~ChunkDeflater();
  ChunkDeflater(const ChunkDeflater&) = delete;
  ChunkDeflater& operator=(const ChunkDeflater&) = delete;

  // Appends the Deflate form of `data` to `out`. `history` is the file's data just before it
  // (empty for the first piece). A piece that is not `last` ends byte-aligned with no final block;
  // the last piece ends the stream. Data that level 1 cannot shrink goes out as stored blocks,
  // decided for each piece on its own. Returns true when the piece went out as stored blocks.
  bool compress(std::string_view history, std::string_view data, bool last, std::string& out);

 private:
  bool worthDeflating(std::string_view data);
  void deflateInto(std::string_view history, std::string_view data, bool last, std::string& out);

  struct State;
  std::unique_ptr<State> state_;
};

// Appends `data` as stored Deflate blocks; the last block is final when `last`.
void appendStoredBlocks(std::string_view data, bool last, std::string& out);
// Size of `data` as stored blocks.
size_t storedBlocksSize(size_t n);

}  // namespace tarvio::zip
