// Copying or inflating an entry's data and checking its size and CRC-32.
#include "zip/entry_data.h"

#include <zlib.h>

#include <algorithm>

#include "zip/local_record.h"
#include "zip/zip_format.h"

namespace tarvio::zip {

namespace {

// Raises the error of one entry.
class EntryFault {
 public:
  EntryFault(const EntryInfo& entry, const std::string& archiveName) : entry_(entry), archiveName_(archiveName) {}
  [[noreturn]] void operator()(const std::string& detail) const { throw entryError(entry_, archiveName_, detail); }

 private:
  const EntryInfo& entry_;
  const std::string& archiveName_;
};

// What streaming an entry's data produced: how many bytes and their CRC-32.
struct Streamed {
  uint64_t size = 0;
  uint32_t crc = static_cast<uint32_t>(crc32(0, nullptr, 0));
  void add(const char* data, size_t n) {
    crc = static_cast<uint32_t>(crc32(crc, reinterpret_cast<const Bytef*>(data), static_cast<uInt>(n)));
    size += n;
  }
};

constexpr size_t blockSize = 256u << 10;

Streamed copyStored(InputFile& file, uint64_t dataAt, const EntryInfo& entry, const EntryFault& fail,
                    const DataSink& sink) {
  std::string in(static_cast<size_t>(std::min<uint64_t>(blockSize, std::max<uint64_t>(entry.compressedSize, 1))), '\0');
  Streamed out;
  for (uint64_t remaining = entry.compressedSize; remaining > 0;) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(in.size(), remaining));
    if (file.readAt(dataAt, in.data(), n) != n) fail("is truncated");
    out.add(in.data(), n);
    sink(in.data(), n);
    dataAt += n;
    remaining -= n;
  }
  return out;
}

Streamed inflateDeflated(InputFile& file, uint64_t dataAt, const EntryInfo& entry, const EntryFault& fail,
                         const DataSink& sink) {
  std::string in(static_cast<size_t>(std::min<uint64_t>(blockSize, std::max<uint64_t>(entry.compressedSize, 1))), '\0');
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) fail("cannot be inflated (out of memory)");
  struct End {
    z_stream& z;
    ~End() { inflateEnd(&z); }
  } end{z};
  // No larger than the entry: most entries are small, and a buffer is zeroed when it is made.
  std::string buffer(static_cast<size_t>(std::min<uint64_t>(blockSize, std::max<uint64_t>(entry.size, 1))), '\0');
  Streamed out;
  uint64_t remaining = entry.compressedSize;
  int rc = Z_OK;
  while (rc != Z_STREAM_END) {
    if (z.avail_in == 0) {
      if (remaining == 0) fail("is corrupt or truncated: its Deflate data ends early");
      size_t n = static_cast<size_t>(std::min<uint64_t>(in.size(), remaining));
      if (file.readAt(dataAt, in.data(), n) != n) fail("is truncated");
      dataAt += n;
      remaining -= n;
      z.next_in = reinterpret_cast<Bytef*>(in.data());
      z.avail_in = static_cast<uInt>(n);
    }
    z.next_out = reinterpret_cast<Bytef*>(buffer.data());
    z.avail_out = static_cast<uInt>(buffer.size());
    rc = inflate(&z, Z_NO_FLUSH);
    if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) {
      fail(std::string("is corrupt: ") + (z.msg ? z.msg : "invalid Deflate data"));
    }
    size_t n = buffer.size() - z.avail_out;
    // Never trust more data than the header announced: a lying header is refused at once.
    if (out.size + n > entry.size) fail("is corrupt: it holds more data than its stated size");
    if (n > 0) {
      out.add(buffer.data(), n);
      sink(buffer.data(), n);
    }
    if (rc == Z_BUF_ERROR && n == 0 && z.avail_in != 0) fail("is corrupt: invalid Deflate data");
  }
  return out;
}

void checkSizeAndCrc(const Streamed& streamed, const EntryInfo& entry, const EntryFault& fail) {
  if (streamed.size != entry.size) fail("is corrupt or truncated: it holds less data than its stated size");
  if (streamed.crc != entry.crc) fail("is corrupt: its CRC-32 does not match (the data is damaged)");
}

}  // namespace

void streamEntryData(InputFile& file, const EntryInfo& entry, uint64_t dataAt, const std::string& archiveName,
                     const DataSink& sink) {
  EntryFault fail(entry, archiveName);
  if (std::string reason = unsupportedReason(entry); !reason.empty()) fail("cannot be extracted: " + reason);
  if (entry.method == method::stored && entry.compressedSize != entry.size) {
    fail("is corrupt: a stored entry's sizes differ");
  }
  Streamed streamed = entry.method == method::stored ? copyStored(file, dataAt, entry, fail, sink)
                                                     : inflateDeflated(file, dataAt, entry, fail, sink);
  checkSizeAndCrc(streamed, entry, fail);
}

void readEntryData(InputFile& file, const ArchiveIndex& index, const EntryInfo& entry,
                   const std::string& archiveName, const DataSink& sink) {
  if (std::string reason = unsupportedReason(entry); !reason.empty()) {
    throw entryError(entry, archiveName, "cannot be extracted: " + reason);
  }
  streamEntryData(file, entry, readLocalRecord(file, index, entry, archiveName).dataAt, archiveName, sink);
}

}  // namespace tarvio::zip
