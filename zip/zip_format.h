// ZIP record layout: signatures, little-endian field writing, a bounds-checked reading cursor
// and the MS-DOS date and time that entries carry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/filesystem.h"

namespace tarvio::zip {

namespace sig {
constexpr uint32_t localHeader = 0x04034b50;
constexpr uint32_t centralHeader = 0x02014b50;
constexpr uint32_t dataDescriptor = 0x08074b50;
constexpr uint32_t endOfCentralDir = 0x06054b50;
constexpr uint32_t zip64EndOfCentralDir = 0x06064b50;
constexpr uint32_t zip64Locator = 0x07064b50;
}  // namespace sig

namespace flag {
constexpr uint16_t encrypted = 0x0001;
constexpr uint16_t superFast = 0x0006;      // bits 1 and 2: Deflate at its fastest level
constexpr uint16_t dataDescriptor = 0x0008;
constexpr uint16_t strongEncryption = 0x0040;
constexpr uint16_t utf8Name = 0x0800;       // bit 11
}  // namespace flag

namespace method {
constexpr uint16_t stored = 0;
constexpr uint16_t deflated = 8;
}  // namespace method

constexpr size_t localHeaderSize = 30;
constexpr size_t centralHeaderSize = 46;
constexpr size_t endOfCentralDirSize = 22;
constexpr size_t zip64EndOfCentralDirSize = 56;
constexpr size_t zip64LocatorSize = 20;
// The largest size or offset the classic 32-bit fields hold; this value itself means "see ZIP64".
constexpr uint64_t classicLimit = 0xFFFFFFFFu;
constexpr uint64_t maxClassicEntries = 0xFFFFu;

// Appends little-endian fields to a byte string.
class RecordWriter {
 public:
  explicit RecordWriter(std::string& out) : out_(out) {}
  void u16(uint32_t v) {
    out_.push_back(static_cast<char>(v & 0xFF));
    out_.push_back(static_cast<char>((v >> 8) & 0xFF));
  }
  void u32(uint64_t v) {
    u16(static_cast<uint32_t>(v & 0xFFFF));
    u16(static_cast<uint32_t>((v >> 16) & 0xFFFF));
  }
  void u64(uint64_t v) {
    u32(v & 0xFFFFFFFFu);
    u32(v >> 32);
  }
  void bytes(std::string_view b) { out_.append(b); }

 private:
  std::string& out_;
};

// Reads little-endian fields from a byte range. A read past the end yields zeros and sets
// overrun(), so a record is decoded whole and checked once.
class Cursor {
 public:
  Cursor(const unsigned char* data, size_t size) : data_(data), size_(size) {}
  explicit Cursor(std::string_view s)
      : data_(reinterpret_cast<const unsigned char*>(s.data())), size_(s.size()) {}
  uint16_t u16() {
    if (!need(2)) return 0;
    uint16_t v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
  }
  uint32_t u32() {
    uint32_t lo = u16();
    uint32_t hi = u16();
    return lo | (hi << 16);
  }
  uint64_t u64() {
    uint64_t lo = u32();
    uint64_t hi = u32();
    return lo | (hi << 32);
  }
  std::string_view bytes(size_t n) {
    if (!need(n)) return {};
    std::string_view v(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return v;
  }
  void skip(size_t n) {
    if (need(n)) pos_ += n;
  }
  size_t position() const { return pos_; }
  size_t remaining() const { return size_ - pos_; }
  bool overrun() const { return overrun_; }

 private:
  bool need(size_t n) {
    if (overrun_ || n > size_ - pos_) {
      overrun_ = true;
      pos_ = size_;
      return false;
    }
    return true;
  }
  const unsigned char* data_;
  size_t size_;
  size_t pos_ = 0;
  bool overrun_ = false;
};

struct DosDateTime {
  uint16_t time = 0;
  uint16_t date = 0x21;  // 1980-01-01
};

// Local time to MS-DOS date and time (two-second resolution; years outside 1980..2107 clamped).
DosDateTime toDosDateTime(const LocalTime& t);
LocalTime fromDosDateTime(uint16_t date, uint16_t time);

}  // namespace tarvio::zip
