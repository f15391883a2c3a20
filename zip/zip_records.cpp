// The writer's records, one commented field per line.
#include "zip/zip_records.h"

namespace tarvio::zip {

namespace {

constexpr uint16_t versionMadeBy = 63;  // APPNOTE 6.3 (UTF-8 names), host 0: MS-DOS/Windows FAT
constexpr uint16_t versionNeeded = 20;  // Deflate and folders
constexpr uint16_t versionNeededZip64 = 45;
constexpr uint16_t zip64ExtraId = 0x0001;
constexpr uint32_t saturated32 = 0xFFFFFFFF;
constexpr uint16_t saturated16 = 0xFFFF;

bool sizesNeedZip64(const CentralRecord& r, const Zip64Thresholds& limits) {
  return r.size >= limits.size || r.compressedSize >= limits.size;
}

bool entryNeedsZip64(const CentralRecord& r, const Zip64Thresholds& limits) {
  return sizesNeedZip64(r, limits) || r.offset >= limits.size;
}

}  // namespace

std::string localHeader(const CentralRecord& r, const Zip64Thresholds& limits) {
  bool zip64 = sizesNeedZip64(r, limits);
  std::string h;
  RecordWriter w(h);
  w.u32(sig::localHeader);
  w.u16(entryNeedsZip64(r, limits) ? versionNeededZip64 : versionNeeded);  // version needed to extract
  w.u16(r.flags);                      // general-purpose flags
  w.u16(r.method);                     // compression method
  w.u16(r.time.time);                  // last-modified time (MS-DOS)
  w.u16(r.time.date);                  // last-modified date (MS-DOS)
  w.u32(r.crc);                        // CRC-32 of the data
  w.u32(zip64 ? saturated32 : r.compressedSize);  // compressed size
  w.u32(zip64 ? saturated32 : r.size);            // uncompressed size
  w.u16(r.name.bytes.size());          // name length
  w.u16(zip64 ? 20 : 0);               // extra field length
  w.bytes(r.name.bytes);
  if (zip64) {
    w.u16(zip64ExtraId);               // ZIP64 extended information
    w.u16(16);                         // its size: in a local header, always both sizes
    w.u64(r.size);                     // uncompressed size
    w.u64(r.compressedSize);           // compressed size
  }
  return h;
}

std::string centralHeader(const CentralRecord& r, const Zip64Thresholds& limits) {
  bool bigSize = r.size >= limits.size;
  bool bigCompressed = r.compressedSize >= limits.size;
  bool bigOffset = r.offset >= limits.size;
  uint16_t zip64Length = static_cast<uint16_t>(8 * (bigSize + bigCompressed + bigOffset));
  std::string h;
  RecordWriter w(h);
  w.u32(sig::centralHeader);
  w.u16(versionMadeBy);                // version made by, host MS-DOS: attributes are Windows'
  w.u16(entryNeedsZip64(r, limits) ? versionNeededZip64 : versionNeeded);  // version needed to extract
  w.u16(r.flags);                      // general-purpose flags
  w.u16(r.method);                     // compression method
  w.u16(r.time.time);                  // last-modified time (MS-DOS)
  w.u16(r.time.date);                  // last-modified date (MS-DOS)
  w.u32(r.crc);                        // CRC-32 of the data
  w.u32(bigCompressed ? saturated32 : r.compressedSize);  // compressed size
  w.u32(bigSize ? saturated32 : r.size);                  // uncompressed size
  w.u16(r.name.bytes.size());          // name length
  w.u16(zip64Length ? 4 + zip64Length : 0);  // extra field length
  w.u16(0);                            // comment length
  w.u16(0);                            // disk number start
  w.u16(0);                            // internal attributes
  w.u32(r.attributes);                 // external attributes: the Windows attributes
  w.u32(bigOffset ? saturated32 : r.offset);  // offset of the local header
  w.bytes(r.name.bytes);
  if (zip64Length) {
    w.u16(zip64ExtraId);               // ZIP64 extended information
    w.u16(zip64Length);                // its size: the values that follow
    if (bigSize) w.u64(r.size);                  // uncompressed size
    if (bigCompressed) w.u64(r.compressedSize);  // compressed size
    if (bigOffset) w.u64(r.offset);              // offset of the local header
  }
  return h;
}

std::string endRecords(uint64_t entries, uint64_t size, uint64_t offset, const Zip64Thresholds& limits) {
  bool manyEntries = entries >= limits.entries;
  bool bigSize = size >= limits.size;
  bool bigOffset = offset >= limits.size;
  std::string h;
  RecordWriter w(h);
  if (manyEntries || bigSize || bigOffset) {
    uint64_t zip64EndAt = offset + size;
    w.u32(sig::zip64EndOfCentralDir);
    w.u64(zip64EndOfCentralDirSize - 12);  // size of the rest of this record
    w.u16(versionMadeBy);              // version made by
    w.u16(versionNeededZip64);         // version needed to extract
    w.u32(0);                          // number of this disk
    w.u32(0);                          // disk where the central directory starts
    w.u64(entries);                    // entries on this disk
    w.u64(entries);                    // entries in total
    w.u64(size);                       // size of the central directory
    w.u64(offset);                     // offset of the central directory
    w.u32(sig::zip64Locator);
    w.u32(0);                          // disk of the ZIP64 end record
    w.u64(zip64EndAt);                 // offset of the ZIP64 end record
    w.u32(1);                          // number of disks
  }
  w.u32(sig::endOfCentralDir);
  w.u16(0);                            // number of this disk
  w.u16(0);                            // disk where the central directory starts
  w.u16(manyEntries ? saturated16 : entries);  // entries on this disk
  w.u16(manyEntries ? saturated16 : entries);  // entries in total
  w.u32(bigSize ? saturated32 : size);         // size of the central directory
  w.u32(bigOffset ? saturated32 : offset);     // offset of the central directory
  w.u16(0);                            // comment length
  return h;
}

}  // namespace tarvio::zip
