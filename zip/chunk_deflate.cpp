// Level-1 Deflate of file pieces with history, falling back to stored blocks piece by piece.
#include "zip/chunk_deflate.h"

#include <zlib.h>

#include <cmath>
#include <stdexcept>

namespace tarvio::zip {

namespace {
constexpr size_t maxStoredBlock = 65535;
constexpr size_t sampleSize = 16u << 10;
constexpr size_t sampleCount = 4;
}  // namespace

struct ChunkDeflater::State {
  z_stream z{};
};

ChunkDeflater::ChunkDeflater() : state_(std::make_unique<State>()) {
  if (deflateInit2(&state_->z, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("Cannot start the Deflate compressor (out of memory)");
  }
}

ChunkDeflater::~ChunkDeflater() { deflateEnd(&state_->z); }

size_t storedBlocksSize(size_t n) {
  size_t blocks = n == 0 ? 1 : (n + maxStoredBlock - 1) / maxStoredBlock;
  return n + 5 * blocks;
}

void appendStoredBlocks(std::string_view data, bool last, std::string& out) {
  do {
    size_t n = std::min(data.size(), maxStoredBlock);
    bool final = last && n == data.size();
    // Block header: BFINAL and BTYPE 00 in the low bits, padded to a byte (the stream is
    // byte-aligned here), then LEN and its ones' complement NLEN.
    out.push_back(static_cast<char>(final ? 1 : 0));
    out.push_back(static_cast<char>(n & 0xFF));
    out.push_back(static_cast<char>(n >> 8));
    out.push_back(static_cast<char>(~n & 0xFF));
    out.push_back(static_cast<char>((~n >> 8) & 0xFF));
    out.append(data.substr(0, n));
    data.remove_prefix(n);
  } while (!data.empty());
}

// The size of the data coded byte by byte with ideal code lengths for its byte frequencies, as a
// fraction of its size. Already-compressed data (table data inside a dump, PDF streams, images)
// comes close to 1, and level-1 Deflate cannot shrink it either; counting bytes costs a small
// fraction of trying.
static double byteEntropyRatio(std::string_view data) {
  uint32_t counts[4][256] = {};
  size_t i = 0;
  const auto* p = reinterpret_cast<const unsigned char*>(data.data());
  for (; i + 4 <= data.size(); i += 4) {
    ++counts[0][p[i]];
    ++counts[1][p[i + 1]];
    ++counts[2][p[i + 2]];
    ++counts[3][p[i + 3]];
  }
  for (; i < data.size(); ++i) ++counts[0][p[i]];
  double n = static_cast<double>(data.size());
  double bits = 0;
  for (int b = 0; b < 256; ++b) {
    double c = counts[0][b] + counts[1][b] + counts[2][b] + counts[3][b];
    if (c > 0) bits += c * std::log2(n / c);
  }
  return bits / (8 * n);
}

// Whether to try Deflate at all. Then for a large piece, deflates a few spread samples: when
// they do not shrink by 3%, the whole
// piece will not shrink enough to pay for the time (already-compressed data such as the table
// data inside a custom-format dump), and it is stored.
bool ChunkDeflater::worthDeflating(std::string_view data) {
  if (data.size() >= 4096 && byteEntropyRatio(data) > 0.97) return false;
  if (data.size() < 8 * sampleSize) return true;
  z_stream& z = state_->z;
  unsigned char sink[sampleSize + 1024];
  size_t in = 0, outTotal = 0;
  for (size_t i = 0; i < sampleCount; ++i) {
    size_t at = i * (data.size() - sampleSize) / (sampleCount - 1);
    deflateReset(&z);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data() + at));
    z.avail_in = sampleSize;
    z.next_out = sink;
    z.avail_out = sizeof sink;
    deflate(&z, Z_FINISH);
    in += sampleSize;
    outTotal += sizeof sink - z.avail_out;
  }
  return outTotal * 100 < in * 97;
}

void ChunkDeflater::deflateInto(std::string_view history, std::string_view data, bool last, std::string& out) {
  z_stream& z = state_->z;
  deflateReset(&z);
  if (!history.empty()) {
    deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(history.data()), static_cast<uInt>(history.size()));
  }
  size_t start = out.size();
  out.resize(start + deflateBound(&z, data.size()) + 16);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data() + start);
  z.avail_out = static_cast<uInt>(out.size() - start);
  int rc = deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH);
  if ((last && rc != Z_STREAM_END) || (!last && rc != Z_OK) || z.avail_in != 0) {
    throw std::runtime_error("Deflate compression failed");
  }
  out.resize(out.size() - z.avail_out);
}

bool ChunkDeflater::compress(std::string_view history, std::string_view data, bool last, std::string& out) {
  if (history.size() > historySize) history = history.substr(history.size() - historySize);
  if (!data.empty() && worthDeflating(data)) {
    size_t start = out.size();
    deflateInto(history, data, last, out);
    if (out.size() - start < storedBlocksSize(data.size())) return false;
    out.resize(start);
  }
  if (data.empty() && last) {
    out.append("\x03\x00", 2);  // an empty final fixed-Huffman block, as zlib writes it
    return false;
  }
  if (!data.empty()) appendStoredBlocks(data, last, out);
  return true;
}

}  // namespace tarvio::zip
