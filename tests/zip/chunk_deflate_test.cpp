// Pieces compressed independently join into one valid Deflate stream, stored where Deflate
// does not pay, and their CRCs combine into the CRC of the whole.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

#include "zip/chunk_deflate.h"

namespace tarvio::zip {
namespace {

std::string inflateAll(const std::string& deflated) {
  z_stream z{};
  EXPECT_EQ(inflateInit2(&z, -15), Z_OK);
  std::string out;
  char buffer[65536];
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(deflated.data()));
  z.avail_in = static_cast<uInt>(deflated.size());
  int rc;
  do {
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof buffer;
    rc = inflate(&z, Z_NO_FLUSH);
    out.append(buffer, sizeof buffer - z.avail_out);
  } while (rc == Z_OK);
  EXPECT_EQ(rc, Z_STREAM_END);
  EXPECT_EQ(z.avail_in, 0u) << "bytes after the final block";
  inflateEnd(&z);
  return out;
}

TEST(ChunkDeflate, PiecesJoinIntoOneStreamWithCombinedCrc) {
  std::mt19937 rng(42);
  std::string text, noise;
  for (int i = 0; text.size() < 2 * chunkSize + 12345; ++i) text += "<evento id=\"" + std::to_string(i % 977) + "\"/>\n";
  for (size_t i = 0; i < 2 * chunkSize; ++i) noise.push_back(static_cast<char>(rng()));
  for (const std::string& data : {text, noise, text + noise + text, std::string("x")}) {
    ChunkDeflater d;
    std::string out;
    uint32_t crc = static_cast<uint32_t>(crc32(0, nullptr, 0));
    for (size_t at = 0; at < data.size(); at += chunkSize) {
      std::string_view piece = std::string_view(data).substr(at, chunkSize);
      std::string_view history = std::string_view(data).substr(at < historySize ? 0 : at - historySize, std::min(at, historySize));
      d.compress(history, piece, at + chunkSize >= data.size(), out);
      uint32_t pieceCrc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(piece.data()), static_cast<uInt>(piece.size())));
      crc = static_cast<uint32_t>(crc32_combine(crc, pieceCrc, static_cast<z_off_t>(piece.size())));
    }
    EXPECT_TRUE(inflateAll(out) == data);
    EXPECT_EQ(crc, crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    if (data == noise) {
      EXPECT_EQ(out.size(), storedBlocksSize(chunkSize) * 2) << "random data is stored";
    }
    if (data == text) {
      EXPECT_LT(out.size(), data.size() / 5);
    }
  }
}

TEST(ChunkDeflate, EmptyFileIsOneFinalBlock) {
  ChunkDeflater d;
  std::string out;
  d.compress({}, {}, true, out);
  EXPECT_EQ(inflateAll(out), "");
}

}  // namespace
}  // namespace tarvio::zip
