// The records that the writer puts into an archive: local header, central directory header and
// the end records. A value that outgrows its classic 32-bit (or, for the entry count, 16-bit)
// field goes into ZIP64 records, and only then: an archive within the classic limits holds no
// ZIP64 record at all.
#pragma once

#include <cstdint>
#include <string>

#include "zip/zip_format.h"
#include "zip/zip_names.h"

namespace tarvio::zip {

// Values at or above these take ZIP64 records. The defaults are the classic fields' limits (their
// largest value itself means "see ZIP64"); tests lower them to try ZIP64 on small archives.
struct Zip64Thresholds {
  uint64_t size = classicLimit;         // sizes and offsets
  uint64_t entries = maxClassicEntries; // the entry count of the end record
};

// One entry as both of its headers describe it.
struct CentralRecord {
  StoredName name;
  uint16_t flags = 0;
  uint16_t method = 0;
  DosDateTime time;
  uint32_t crc = 0;
  uint64_t compressedSize = 0;
  uint64_t size = 0;
  uint32_t attributes = 0;
  uint64_t offset = 0;  // of the local header
};

// The local header: with a ZIP64 extra field holding both sizes when either outgrows 32 bits.
std::string localHeader(const CentralRecord& r, const Zip64Thresholds& limits);
// The central directory header: with a ZIP64 extra field holding just the values that outgrow
// their fields (size, compressed size, local header offset, in that order).
std::string centralHeader(const CentralRecord& r, const Zip64Thresholds& limits);
// The end of the archive for a central directory of `size` bytes at `offset`, written at
// `offset + size`: the ZIP64 end record and its locator when the count, size or offset outgrow
// the classic end record, then the classic end record.
std::string endRecords(uint64_t entries, uint64_t size, uint64_t offset, const Zip64Thresholds& limits);

}  // namespace tarvio::zip
