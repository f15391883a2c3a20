// Reading local headers and data descriptors, and comparing them with the central directory.
#include "zip/local_record.h"

#include <algorithm>
#include <cstdio>

#include "zip/zip_format.h"
#include "zip/zip_names.h"

namespace tarvio::zip {

namespace {

constexpr uint16_t zip64ExtraId = 0x0001;
// The flags that change how an entry is read; others (compression options, for one) may differ.
constexpr uint16_t comparedFlags = flag::encrypted | flag::dataDescriptor | flag::strongEncryption | flag::utf8Name;

// The ZIP64 extra field of a local header holds both sizes, whatever the 32-bit fields say.
bool readZip64Sizes(std::string_view extra, LocalRecord& local) {
  Cursor c(extra);
  while (c.remaining() >= 4) {
    uint16_t id = c.u16();
    Cursor body(c.bytes(c.u16()));
    if (c.overrun()) return false;
    if (id != zip64ExtraId) continue;
    uint64_t size = body.u64();
    uint64_t compressed = body.u64();
    if (body.overrun()) return false;
    if (local.size == 0xFFFFFFFF) local.size = size;
    if (local.compressedSize == 0xFFFFFFFF) local.compressedSize = compressed;
    return true;
  }
  return false;
}

// Finds the data descriptor after the data: an optional signature, the CRC, then both sizes in 4
// bytes each, or in 8 for an entry with ZIP64 sizes. Tries each form against the central values.
void placeDescriptor(InputFile& file, const ArchiveIndex& index, const EntryInfo& entry, bool zip64,
                     const std::string& archiveName, LocalRecord& local) {
  uint64_t at = local.dataAt + entry.compressedSize;
  uint64_t room = index.centralDirectoryOffset - at;
  if (room < 12) throw entryError(entry, archiveName, "is corrupt: its data descriptor lies outside the archive's data");
  std::string bytes = readExactly(file, at, static_cast<size_t>(std::min<uint64_t>(room, 24)), archiveName);
  struct Form {
    bool signature;
    bool wide;
  };
  for (Form form : {Form{true, zip64}, Form{false, zip64}, Form{true, !zip64}, Form{false, !zip64}}) {
    Cursor c(bytes);
    if (form.signature && c.u32() != sig::dataDescriptor) continue;
    uint32_t crc = c.u32();
    uint64_t compressed = form.wide ? c.u64() : c.u32();
    uint64_t size = form.wide ? c.u64() : c.u32();
    if (c.overrun() || crc != entry.crc || compressed != entry.compressedSize || size != entry.size) continue;
    local.end = at + c.position();
    return;
  }
  local.descriptorAgrees = false;
  local.end = at + std::min<uint64_t>(room, zip64 ? 24 : 16);
}

std::string hex32(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", v);
  return text;
}

std::string hex16(uint16_t v) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04x", v);
  return text;
}

}  // namespace

LocalRecord readLocalRecord(InputFile& file, const ArchiveIndex& index, const EntryInfo& entry,
                            const std::string& archiveName) {
  auto fail = [&](const std::string& detail) { return entryError(entry, archiveName, detail); };
  LocalRecord local;
  local.headerAt = entry.localHeaderOffset + static_cast<uint64_t>(index.shift);
  if (local.headerAt > index.centralDirectoryOffset || index.centralDirectoryOffset - local.headerAt < localHeaderSize) {
    throw fail("is corrupt: its local header lies outside the archive's data");
  }
  std::string header = readExactly(file, local.headerAt, localHeaderSize, archiveName);
  Cursor h(header);
  if (h.u32() != sig::localHeader) throw fail("is corrupt: its local header is missing");
  h.u16();  // version needed
  local.flags = h.u16();
  local.method = h.u16();
  h.u32();  // time and date
  local.crc = h.u32();
  local.compressedSize = h.u32();
  local.size = h.u32();
  uint16_t nameLength = h.u16();
  uint16_t extraLength = h.u16();
  local.dataAt = local.headerAt + localHeaderSize + nameLength + extraLength;
  if (local.dataAt > index.centralDirectoryOffset ||
      index.centralDirectoryOffset - local.dataAt < entry.compressedSize) {
    throw fail("is corrupt or truncated: its data runs past the end of the archive's data");
  }
  std::string nameAndExtra = readExactly(file, local.headerAt + localHeaderSize, nameLength + extraLength, archiveName);
  local.rawName = nameAndExtra.substr(0, nameLength);
  bool zip64 = readZip64Sizes(std::string_view(nameAndExtra).substr(nameLength), local);
  local.end = local.dataAt + entry.compressedSize;
  if (local.flags & flag::dataDescriptor) placeDescriptor(file, index, entry, zip64, archiveName, local);
  return local;
}

std::string localDisagreement(const LocalRecord& local, const EntryInfo& entry) {
  if (local.rawName != entry.rawName) {
    std::string name = decodeEntryName(local.rawName, (local.flags & flag::utf8Name) != 0).value_or(local.rawName);
    return "its local header names it \"" + printableName(name) + "\"";
  }
  if (local.method != entry.method) {
    return "its local header gives compression method " + std::to_string(local.method) +
           ", the central directory " + std::to_string(entry.method);
  }
  if ((local.flags & comparedFlags) != (entry.flags & comparedFlags)) {
    return "its local header's flags " + hex16(local.flags) + " differ from the central directory's " +
           hex16(entry.flags);
  }
  // With a data descriptor the local header may hold zeros: the values were not known yet.
  bool descriptor = (local.flags & flag::dataDescriptor) != 0;
  if (local.crc != entry.crc && !(descriptor && local.crc == 0)) {
    return "its local header gives the CRC-32 " + hex32(local.crc) + ", the central directory " + hex32(entry.crc);
  }
  if (local.compressedSize != entry.compressedSize && !(descriptor && local.compressedSize == 0)) {
    return "its local header gives the compressed size " + std::to_string(local.compressedSize) +
           ", the central directory " + std::to_string(entry.compressedSize);
  }
  if (local.size != entry.size && !(descriptor && local.size == 0)) {
    return "its local header gives the size " + std::to_string(local.size) + ", the central directory " +
           std::to_string(entry.size);
  }
  if (!local.descriptorAgrees) return "its data descriptor does not match the central directory";
  return {};
}

std::optional<Overlap> firstOverlap(const std::vector<LocalRecord>& locals) {
  std::vector<size_t> order(locals.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return locals[a].headerAt < locals[b].headerAt; });
  size_t reach = order.empty() ? 0 : order.front();  // the entry whose range ends last so far
  for (size_t k = 1; k < order.size(); ++k) {
    size_t i = order[k];
    if (locals[i].headerAt < locals[reach].end) return Overlap{i, reach};
    if (locals[i].end > locals[reach].end) reach = i;
  }
  return std::nullopt;
}

}  // namespace tarvio::zip
