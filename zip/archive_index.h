// The reading side's view of an archive: its central directory parsed through a bounds-checked
// cursor, and each entry's data streamed out with its size, method and CRC checked. Accepts what
// common tools write: stored and Deflate entries, data descriptors, ZIP64 records, Unix hosts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/filesystem.h"

namespace tarvio::zip {

struct EntryInfo {
  std::string name;  // UTF-8 with "/" separators; a folder's ends in "/"
  bool isDirectory = false;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint32_t crc = 0;
  uint64_t compressedSize = 0;
  uint64_t size = 0;
  uint64_t localHeaderOffset = 0;
  uint32_t attributes = 0;  // Windows attributes (derived from the Unix mode for Unix hosts)
  LocalTime time;
};

struct ArchiveIndex {
  std::vector<EntryInfo> entries;
  uint64_t fileSize = 0;
  uint64_t centralDirectoryOffset = 0;  // where entry data must end
  int64_t shift = 0;                    // bytes prepended to the archive (self-extractors)
};

// Throws ZipError naming `archiveName` when the file is not a readable ZIP archive.
ArchiveIndex readArchiveIndex(InputFile& file, const std::string& archiveName);

// Why the entry cannot be extracted (encrypted, unknown method), or empty when it can.
std::string unsupportedReason(const EntryInfo& entry);

// Streams the entry's uncompressed data to `sink` in blocks, checking that the data lies inside
// the archive, inflates completely, has exactly the stated size and the stated CRC-32.
// Throws ZipError naming the entry and `archiveName`.
void readEntryData(InputFile& file, const ArchiveIndex& index, const EntryInfo& entry,
                   const std::string& archiveName, const std::function<void(const char*, size_t)>& sink);

}  // namespace tarvio::zip
