// libFuzzer target for the archive reader: parses any bytes as an archive, checks every entry's
// name and local header and streams every entry's data. ZipError is the only acceptable failure.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "zip/archive_index.h"
#include "zip/entry_data.h"
#include "zip/local_record.h"
#include "zip/name_checks.h"
#include "zip/zip_error.h"
#include "zip/zip_names.h"

namespace {

class MemoryFile : public tarvio::InputFile {
 public:
  MemoryFile(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  int64_t size() override { return static_cast<int64_t>(size_); }
  size_t readAt(uint64_t offset, void* buffer, size_t n) override {
    if (offset >= size_) return 0;
    size_t got = std::min<uint64_t>(n, size_ - offset);
    std::memcpy(buffer, data_ + offset, got);
    return got;
  }

 private:
  const uint8_t* data_;
  size_t size_;
};

// Latin-1 stands in for the OEM code page: every byte maps to one character.
class Latin1 : public tarvio::CodePages {
 public:
  tarvio::Encoded toAnsi(std::string_view s) const override { return {std::string(s), true}; }
  std::string fromAnsi(std::string_view b) const override { return fromOem(b); }
  tarvio::Encoded toOem(std::string_view s) const override { return {std::string(s), true}; }
  std::string fromOem(std::string_view b) const override {
    std::string out;
    for (unsigned char c : b) {
      if (c < 0x80) {
        out.push_back(static_cast<char>(c));
      } else {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
      }
    }
    return out;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Latin1 codePages;
  tarvio::installPlatform(tarvio::Platform{nullptr, &codePages, nullptr, nullptr, nullptr});
  MemoryFile file(data, size);
  try {
    tarvio::zip::ArchiveIndex index = tarvio::zip::readArchiveIndex(file, "fuzz.zip");
    (void)tarvio::zip::nameConflict(index.entries);
    // As the reader does: entries are read only once no two of them overlap (else an overlap
    // bomb would inflate one piece of data hundreds of times per run).
    std::vector<tarvio::zip::LocalRecord> locals;
    for (const auto& entry : index.entries) {
      (void)tarvio::zip::nameRefusal(entry.name, "C:\\base");
      locals.push_back(tarvio::zip::readLocalRecord(file, index, entry, "fuzz.zip"));
      (void)tarvio::zip::localDisagreement(locals.back(), entry);
    }
    if (tarvio::zip::firstOverlap(locals)) return 0;
    for (const auto& entry : index.entries) {
      if (entry.isDirectory) continue;
      try {
        uint64_t total = 0;
        tarvio::zip::readEntryData(file, index, entry, "fuzz.zip", [&](const char*, size_t n) { total += n; });
        if (total != entry.size) __builtin_trap();  // a completed entry must have its stated size
      } catch (const tarvio::zip::ZipError&) {
      }
    }
  } catch (const tarvio::zip::ZipError&) {
  }
  return 0;
}
