// The reading side's view of an archive: its central directory parsed through a bounds-checked
// cursor. Accepts what common tools write: stored and Deflate entries, data descriptors, ZIP64
// records, Unix hosts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "zip/zip_error.h"

namespace tarvio::zip {

struct EntryInfo {
  std::string name;  // UTF-8 with "/" separators; a folder's ends in "/"
  std::string rawName;  // the name's bytes as the central directory stores them
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

// Exactly n bytes at offset; throws ZipError ("is truncated") when the file ends before.
std::string readExactly(InputFile& file, uint64_t offset, size_t n, const std::string& archiveName);

// The error of one entry: "The entry "<name>" of the archive "<archive>" <detail>", the name with
// its control characters escaped.
ZipError entryError(const EntryInfo& entry, const std::string& archiveName, const std::string& detail);

}  // namespace tarvio::zip
