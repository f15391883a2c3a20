// Parsing the central directory.
#include "zip/archive_index.h"

#include <zlib.h>

#include <algorithm>

#include "common/utf8.h"
#include "zip/zip_error.h"
#include "zip/zip_format.h"
#include "zip/zip_names.h"

namespace tarvio::zip {

namespace {

constexpr uint16_t zip64ExtraId = 0x0001;
constexpr uint16_t unicodePathExtraId = 0x7075;

[[noreturn]] void corrupt(const std::string& archiveName, const std::string& detail) {
  throw ZipError("The archive \"" + archiveName + "\" is corrupt: " + detail);
}

// Windows attributes from the external attributes, by the host that wrote the entry.
uint32_t windowsAttributes(uint16_t madeBy, uint32_t external, bool isDirectory) {
  unsigned host = madeBy >> 8;
  uint32_t attributes = 0;
  if (host == 0 || host == 6 || host == 10 || host == 11 || host == 14) {
    attributes = external & 0x7FFF;  // 0x8000 marks Unix mode bits in the high half (7-Zip)
  } else {
    attributes = external & 0x3F;  // Info-ZIP keeps the MS-DOS bits in the low byte
    uint32_t mode = external >> 16;
    if (mode != 0 && (mode & 0200) == 0) attributes |= attr::readOnly;
  }
  if (isDirectory) attributes |= attr::directory;
  else attributes &= ~attr::directory;
  return attributes;
}

// Unix tools (Info-ZIP's zip without a UTF-8 locale, for one) store UTF-8 names without flag
// bit 11; a name from a Unix host that is valid UTF-8 and not plain ASCII is read as UTF-8.
bool looksUtf8FromUnix(uint16_t madeBy, std::string_view rawName) {
  if ((madeBy >> 8) != 3) return false;
  bool ascii = std::all_of(rawName.begin(), rawName.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  return !ascii && isValidUtf8(rawName);
}

struct EndRecord {
  uint64_t entries = 0;
  uint64_t size = 0;
  uint64_t offset = 0;
  uint64_t position = 0;  // where the end record itself lies
};

EndRecord findEndRecord(InputFile& file, uint64_t fileSize, const std::string& archiveName) {
  size_t tailSize = static_cast<size_t>(std::min<uint64_t>(fileSize, endOfCentralDirSize + 0xFFFF));
  if (tailSize < endOfCentralDirSize) {
    throw ZipError("The file \"" + archiveName + "\" is not a ZIP archive (too short)");
  }
  uint64_t tailStart = fileSize - tailSize;
  std::string tail = readExactly(file, tailStart, tailSize, archiveName);
  for (size_t at = tailSize - endOfCentralDirSize + 1; at-- > 0;) {
    Cursor c(std::string_view(tail).substr(at));
    if (c.u32() != sig::endOfCentralDir) continue;
    uint16_t disk = c.u16();
    uint16_t centralDisk = c.u16();
    c.u16();  // entries on this disk
    EndRecord end;
    end.entries = c.u16();
    end.size = c.u32();
    end.offset = c.u32();
    uint16_t commentLength = c.u16();
    if (c.overrun() || commentLength > c.remaining()) continue;  // a signature inside the comment
    if (disk != 0 || centralDisk != 0) {
      throw ZipError("The archive \"" + archiveName + "\" spans several disks, which is not supported");
    }
    end.position = tailStart + at;
    // ZIP64: the classic fields are saturated and a locator precedes the end record.
    if ((end.entries == 0xFFFF || end.size == 0xFFFFFFFF || end.offset == 0xFFFFFFFF) &&
        end.position >= zip64LocatorSize) {
      std::string locator = readExactly(file, end.position - zip64LocatorSize, zip64LocatorSize, archiveName);
      Cursor l(locator);
      if (l.u32() == sig::zip64Locator) {
        l.u32();  // disk of the ZIP64 end record
        uint64_t recordOffset = l.u64();
        if (recordOffset > fileSize - zip64EndOfCentralDirSize || fileSize < zip64EndOfCentralDirSize) {
          corrupt(archiveName, "the ZIP64 end record lies outside the file");
        }
        std::string record = readExactly(file, recordOffset, zip64EndOfCentralDirSize, archiveName);
        Cursor r(record);
        if (r.u32() != sig::zip64EndOfCentralDir) corrupt(archiveName, "the ZIP64 end record is missing");
        r.u64();  // size of the record
        r.u16();  // version made by
        r.u16();  // version needed
        r.u32();  // this disk
        r.u32();  // disk of the central directory
        r.u64();  // entries on this disk
        end.entries = r.u64();
        end.size = r.u64();
        end.offset = r.u64();
        end.position = recordOffset;
      }
    }
    return end;
  }
  throw ZipError("The file \"" + archiveName + "\" is not a ZIP archive (no end of central directory record)");
}

// Values that the classic fields saturate come from the ZIP64 extra field, in a fixed order.
void applyExtraFields(std::string_view extra, EntryInfo& e, std::string_view rawName, std::string& unicodeName,
                      bool sizeSaturated, bool compressedSaturated, bool offsetSaturated) {
  Cursor c(extra);
  while (c.remaining() >= 4) {
    uint16_t id = c.u16();
    uint16_t length = c.u16();
    std::string_view body = c.bytes(length);
    if (c.overrun()) return;  // a short extra field is ignored, as other readers do
    Cursor b(body);
    if (id == zip64ExtraId) {
      if (sizeSaturated) e.size = b.u64();
      if (compressedSaturated) e.compressedSize = b.u64();
      if (offsetSaturated) e.localHeaderOffset = b.u64();
    } else if (id == unicodePathExtraId && body.size() > 5) {
      uint8_t version = static_cast<uint8_t>(b.bytes(1)[0]);
      uint32_t nameCrc = b.u32();
      std::string_view name = b.bytes(b.remaining());
      uint32_t actual = static_cast<uint32_t>(
          crc32(0, reinterpret_cast<const Bytef*>(rawName.data()), static_cast<uInt>(rawName.size())));
      if (version == 1 && nameCrc == actual && isValidUtf8(name)) unicodeName = name;
    }
  }
}

}  // namespace

namespace {

// One record of the central directory, read at the cursor.
EntryInfo readCentralRecord(Cursor& c, const std::string& archiveName) {
  if (c.u32() != sig::centralHeader) corrupt(archiveName, "a central directory record is missing");
  EntryInfo e;
  uint16_t madeBy = c.u16();
  c.u16();  // version needed
  e.flags = c.u16();
  e.method = c.u16();
  uint16_t dosTime = c.u16();
  uint16_t dosDate = c.u16();
  e.crc = c.u32();
  uint32_t compressed = c.u32();
  uint32_t uncompressed = c.u32();
  uint16_t nameLength = c.u16();
  uint16_t extraLength = c.u16();
  uint16_t commentLength = c.u16();
  c.u16();  // disk number start
  c.u16();  // internal attributes
  uint32_t external = c.u32();
  uint32_t offset = c.u32();
  std::string_view rawName = c.bytes(nameLength);
  std::string_view extra = c.bytes(extraLength);
  c.skip(commentLength);
  if (c.overrun()) corrupt(archiveName, "the central directory is truncated");
  e.compressedSize = compressed;
  e.size = uncompressed;
  e.localHeaderOffset = offset;
  std::string unicodeName;
  applyExtraFields(extra, e, rawName, unicodeName, uncompressed == 0xFFFFFFFF, compressed == 0xFFFFFFFF,
                   offset == 0xFFFFFFFF);
  std::optional<std::string> name;
  if (!unicodeName.empty() && !(e.flags & flag::utf8Name)) name = unicodeName;
  else name = decodeEntryName(rawName, (e.flags & flag::utf8Name) != 0 || looksUtf8FromUnix(madeBy, rawName));
  if (!name) corrupt(archiveName, "an entry name is marked UTF-8 but is not valid UTF-8");
  e.name = std::move(*name);
  e.rawName = rawName;
  std::replace(e.name.begin(), e.name.end(), '\\', '/');
  bool folderAttribute = (madeBy >> 8) != 3 ? (external & attr::directory) != 0 : ((external >> 16) & 0170000) == 0040000;
  e.isDirectory = (!e.name.empty() && e.name.back() == '/') || (folderAttribute && e.size == 0);
  if (e.isDirectory && (e.name.empty() || e.name.back() != '/')) e.name.push_back('/');
  e.attributes = windowsAttributes(madeBy, external, e.isDirectory);
  e.time = fromDosDateTime(dosDate, dosTime);
  return e;
}

}  // namespace

std::string readExactly(InputFile& file, uint64_t offset, size_t n, const std::string& archiveName) {
  std::string buffer(n, '\0');
  if (n != 0 && file.readAt(offset, buffer.data(), n) != n) {
    throw ZipError("The archive \"" + archiveName + "\" is truncated");
  }
  return buffer;
}

ZipError entryError(const EntryInfo& entry, const std::string& archiveName, const std::string& detail) {
  return ZipError("The entry \"" + printableName(entry.name) + "\" of the archive \"" + archiveName + "\" " + detail);
}

ArchiveIndex readArchiveIndex(InputFile& file, const std::string& archiveName) {
  ArchiveIndex index;
  int64_t size = file.size();
  if (size < 0) throw ZipError("Cannot read the size of \"" + archiveName + "\"");
  index.fileSize = static_cast<uint64_t>(size);
  EndRecord end = findEndRecord(file, index.fileSize, archiveName);
  if (end.size > end.position) corrupt(archiveName, "the central directory is larger than the archive");
  // Where the central directory really starts; any difference from the stated offset is data
  // prepended to the archive (a self-extractor) and shifts every offset.
  uint64_t start = end.position - end.size;
  if (end.offset > start) corrupt(archiveName, "the central directory offset points past its end");
  index.shift = static_cast<int64_t>(start - end.offset);
  index.centralDirectoryOffset = start;
  if (end.entries > end.size / centralHeaderSize) {
    corrupt(archiveName, "the entry count does not fit the central directory's size");
  }
  std::string central = readExactly(file, start, static_cast<size_t>(end.size), archiveName);
  Cursor c(central);
  index.entries.reserve(static_cast<size_t>(end.entries));
  for (uint64_t i = 0; i < end.entries; ++i) index.entries.push_back(readCentralRecord(c, archiveName));
  return index;
}

std::string unsupportedReason(const EntryInfo& entry) {
  if (entry.flags & (flag::encrypted | flag::strongEncryption)) return "it is encrypted";
  if (entry.method != method::stored && entry.method != method::deflated) {
    return "it uses compression method " + std::to_string(entry.method) + ", which is not supported";
  }
  return {};
}

}  // namespace tarvio::zip
