// The writer's records: ZIP64 fields and records exactly where a value reaches its classic
// field's limit, at the real limits and at lowered ones.
#include <gtest/gtest.h>

#include <vector>

#include "zip/zip_records.h"

namespace tarvio::zip {
namespace {

// The values of a ZIP64 extra field (id 1) among the extra fields, or none.
std::vector<uint64_t> zip64Values(std::string_view extra) {
  Cursor c(extra);
  while (c.remaining() >= 4) {
    uint16_t id = c.u16();
    Cursor body(c.bytes(c.u16()));
    if (id != 1) continue;
    std::vector<uint64_t> values;
    while (body.remaining() >= 8) values.push_back(body.u64());
    return values;
  }
  return {};
}

struct Decoded {
  uint16_t versionNeeded = 0;
  uint32_t compressed = 0, size = 0, offset = 0;  // the classic fields
  std::vector<uint64_t> zip64;
};

Decoded decodeLocal(const std::string& h) {
  Cursor c(h);
  Decoded d;
  EXPECT_EQ(c.u32(), sig::localHeader);
  d.versionNeeded = c.u16();
  c.skip(12);  // flags, method, time, date, CRC
  d.compressed = c.u32();
  d.size = c.u32();
  uint16_t nameLength = c.u16(), extraLength = c.u16();
  c.skip(nameLength);
  d.zip64 = zip64Values(c.bytes(extraLength));
  EXPECT_FALSE(c.overrun());
  EXPECT_EQ(c.remaining(), 0u);
  return d;
}

Decoded decodeCentral(const std::string& h) {
  Cursor c(h);
  Decoded d;
  EXPECT_EQ(c.u32(), sig::centralHeader);
  c.skip(2);  // version made by
  d.versionNeeded = c.u16();
  c.skip(12);  // flags, method, time, date, CRC
  d.compressed = c.u32();
  d.size = c.u32();
  uint16_t nameLength = c.u16(), extraLength = c.u16();
  c.skip(10);  // comment length, disk, internal and external attributes
  d.offset = c.u32();
  c.skip(nameLength);
  d.zip64 = zip64Values(c.bytes(extraLength));
  EXPECT_FALSE(c.overrun());
  EXPECT_EQ(c.remaining(), 0u);
  return d;
}

constexpr uint32_t full = 0xFFFFFFFF;

TEST(Zip64Records, EntryHeadersTakeZip64FieldsOnlyForValuesAtTheLimit) {
  const Zip64Thresholds real;
  const Zip64Thresholds low{1000, 4};
  struct Case {
    uint64_t size, compressed, offset;
    Zip64Thresholds limits;
    Decoded local, central;
  } cases[] = {
      {0xFFFFFFFE, 0xFFFFFFFE, 0xFFFFFFFE, real, {20, 0xFFFFFFFE, 0xFFFFFFFE, 0, {}},
       {20, 0xFFFFFFFE, 0xFFFFFFFE, 0xFFFFFFFE, {}}},
      {5ull << 30, 5'000'000, 0, real, {45, full, full, 0, {5ull << 30, 5'000'000}},
       {45, 5'000'000, full, 0, {5ull << 30}}},
      {0xFFFFFFFF, 0xFFFFFFFF + 80ull, 7, real, {45, full, full, 0, {0xFFFFFFFF, 0xFFFFFFFF + 80ull}},
       {45, full, full, 7, {0xFFFFFFFF, 0xFFFFFFFF + 80ull}}},
      {10, 12, 0xFFFFFFFF, real, {45, 12, 10, 0, {}}, {45, 12, 10, full, {0xFFFFFFFF}}},
      {6ull << 30, 1ull << 32, 9ull << 30, real, {45, full, full, 0, {6ull << 30, 1ull << 32}},
       {45, full, full, full, {6ull << 30, 1ull << 32, 9ull << 30}}},
      {999, 999, 999, low, {20, 999, 999, 0, {}}, {20, 999, 999, 999, {}}},
      {1000, 400, 0, low, {45, full, full, 0, {1000, 400}}, {45, 400, full, 0, {1000}}},
      {400, 1005, 3000, low, {45, full, full, 0, {400, 1005}}, {45, full, 400, full, {1005, 3000}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.size << " " << c.compressed << " " << c.offset << " limit " << c.limits.size);
    CentralRecord r;
    r.name = StoredName{"backup/tarvio.backup", false};
    r.method = method::deflated;
    r.size = c.size;
    r.compressedSize = c.compressed;
    r.offset = c.offset;
    Decoded local = decodeLocal(localHeader(r, c.limits));
    EXPECT_EQ(local.versionNeeded, c.local.versionNeeded);
    EXPECT_EQ(local.compressed, c.local.compressed);
    EXPECT_EQ(local.size, c.local.size);
    EXPECT_EQ(local.zip64, c.local.zip64);
    Decoded central = decodeCentral(centralHeader(r, c.limits));
    EXPECT_EQ(central.versionNeeded, c.central.versionNeeded);
    EXPECT_EQ(central.compressed, c.central.compressed);
    EXPECT_EQ(central.size, c.central.size);
    EXPECT_EQ(central.offset, c.central.offset);
    EXPECT_EQ(central.zip64, c.central.zip64);
  }
}

TEST(Zip64Records, EndRecordsTakeZip64RecordsOnlyForValuesAtTheLimit) {
  const Zip64Thresholds real;
  struct Case {
    uint64_t entries, size, offset;
    Zip64Thresholds limits;
    bool zip64;
    uint32_t classicEntries, classicSize, classicOffset;
  } cases[] = {
      {65534, 0xFFFFFFFE, 0xFFFFFFFE, real, false, 65534, 0xFFFFFFFE, 0xFFFFFFFE},
      {65535, 100, 200, real, true, 0xFFFF, 100, 200},
      {70000, 4'000'000, 200, real, true, 0xFFFF, 4'000'000, 200},
      {3, 100, 0xFFFFFFFF, real, true, 3, 100, full},
      {3, 1ull << 32, 5ull << 30, real, true, 3, full, full},
      {3, 100, 200, Zip64Thresholds{1000, 4}, false, 3, 100, 200},
      {4, 100, 200, Zip64Thresholds{1000, 4}, true, 0xFFFF, 100, 200},
      {3, 100, 1000, Zip64Thresholds{1000, 4}, true, 3, 100, full},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.entries << " " << c.size << " " << c.offset);
    std::string end = endRecords(c.entries, c.size, c.offset, c.limits);
    ASSERT_EQ(end.size(), c.zip64 ? 98u : 22u);
    Cursor e(std::string_view(end).substr(end.size() - 22));
    EXPECT_EQ(e.u32(), sig::endOfCentralDir);
    EXPECT_EQ(e.u32(), 0u);  // disks
    EXPECT_EQ(e.u16(), c.classicEntries);
    EXPECT_EQ(e.u16(), c.classicEntries);
    EXPECT_EQ(e.u32(), c.classicSize);
    EXPECT_EQ(e.u32(), c.classicOffset);
    EXPECT_EQ(e.u16(), 0u);
    if (!c.zip64) continue;
    Cursor z(end);
    EXPECT_EQ(z.u32(), sig::zip64EndOfCentralDir);
    EXPECT_EQ(z.u64(), 44u);
    EXPECT_EQ(z.u16(), 63u);
    EXPECT_EQ(z.u16(), 45u);
    EXPECT_EQ(z.u64(), 0u);  // disks
    EXPECT_EQ(z.u64(), c.entries);
    EXPECT_EQ(z.u64(), c.entries);
    EXPECT_EQ(z.u64(), c.size);
    EXPECT_EQ(z.u64(), c.offset);
    EXPECT_EQ(z.u32(), sig::zip64Locator);
    EXPECT_EQ(z.u32(), 0u);
    EXPECT_EQ(z.u64(), c.offset + c.size) << "the locator points at the ZIP64 end record";
    EXPECT_EQ(z.u32(), 1u);
  }
}

}  // namespace
}  // namespace tarvio::zip
