// Builds small archives in memory for tests, through the writer's own record functions: stored
// entries of any name bytes, so that a test can make names no file system would hold.
#pragma once

#include <string>
#include <vector>

#include <zlib.h>

#include "zip/zip_records.h"

namespace tarvio::test {

struct BuiltEntry {
  std::string name;  // UTF-8 (flag bit 11 set); a folder's ends in "/"
  std::string data;
};

inline std::string buildArchive(const std::vector<BuiltEntry>& entries) {
  std::string out, central;
  for (const BuiltEntry& e : entries) {
    zip::CentralRecord r;
    r.name = zip::StoredName{e.name, true};
    r.flags = zip::flag::utf8Name;
    r.method = zip::method::stored;
    r.crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size())));
    r.size = r.compressedSize = e.data.size();
    r.attributes = !e.name.empty() && e.name.back() == '/' ? 0x10 : 0x20;
    r.offset = out.size();
    out += zip::localHeader(r, {}) + e.data;
    central += zip::centralHeader(r, {});
  }
  uint64_t centralAt = out.size();
  return out + central + zip::endRecords(entries.size(), central.size(), centralAt, {});
}

}  // namespace tarvio::test
