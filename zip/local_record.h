// An entry's local header and, for an entry written with a data descriptor, the descriptor after
// its data: read from the archive, placed, and compared with the entry's central directory record.
// Readers that walk the archive from its start trust the local headers; the central directory is
// what we read: where the two differ, tools would extract different files from one archive.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "zip/archive_index.h"

namespace tarvio::zip {

struct LocalRecord {
  uint64_t headerAt = 0;  // where the local header begins in the file
  uint64_t dataAt = 0;    // where the entry's data begins
  uint64_t end = 0;       // just past the data and the data descriptor, if any
  std::string rawName;    // the name's bytes as the local header stores them
  uint16_t flags = 0;
  uint16_t method = 0;
  uint32_t crc = 0;
  uint64_t compressedSize = 0;  // from the ZIP64 extra field where the 32-bit field is saturated
  uint64_t size = 0;
  bool descriptorAgrees = true;  // the data descriptor, if any, repeats the central CRC and sizes
};

// Reads the local record of `entry`. Throws ZipError naming the entry when the local header is
// missing, or when it, the entry's data (of the central directory's compressed size) or the data
// descriptor do not lie inside the archive's data, before the central directory.
LocalRecord readLocalRecord(InputFile& file, const ArchiveIndex& index, const EntryInfo& entry,
                            const std::string& archiveName);

// How the local record disagrees with the entry's central record ("its local header names it
// ..."), or empty when they agree: name bytes, method, the flags that change how the entry is read
// (encryption, data descriptor, UTF-8 name), CRC and sizes. With a data descriptor, the local
// header may hold zeros for these instead, and the descriptor must match.
std::string localDisagreement(const LocalRecord& local, const EntryInfo& entry);

struct Overlap {
  size_t entry;  // the entry that begins inside another's range (indexes into the records given)
  size_t other;
};

// The first entry, by position in the file, whose local header begins before the end of an
// earlier entry's local header, data and descriptor; none when each byte belongs to one entry.
std::optional<Overlap> firstOverlap(const std::vector<LocalRecord>& locals);

}  // namespace tarvio::zip
