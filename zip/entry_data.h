// Streaming an entry's data out of the archive: stored data copied, Deflate data inflated, and
// the result checked against the entry's stated size and CRC-32 while it streams.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/filesystem.h"
#include "zip/archive_index.h"

namespace tarvio::zip {

// Receives an entry's uncompressed data, block by block.
using DataSink = std::function<void(const char* data, size_t n)>;

// Streams the data that begins at `dataAt` to `sink`, checking that it inflates completely, holds
// exactly the stated size (more is refused as soon as it appears) and has the stated CRC-32.
// Throws ZipError naming the entry and `archiveName`; the sink has then received part of the data.
void streamEntryData(InputFile& file, const EntryInfo& entry, uint64_t dataAt, const std::string& archiveName,
                     const DataSink& sink);

// Finds the entry's data through its local header (readLocalRecord), then streams it.
void readEntryData(InputFile& file, const ArchiveIndex& index, const EntryInfo& entry,
                   const std::string& archiveName, const DataSink& sink);

}  // namespace tarvio::zip
