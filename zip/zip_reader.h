// Reads one ZIP archive: lists its entries and extracts those matching a mask below a base
// folder, on all cores. Every entry to be extracted is checked before anything is written: a
// name that would land outside the base folder, an encrypted entry or an unknown method stops
// the extraction with an error. Damaged data (CRC, size, truncation) is an error too, and the
// file being written for that entry is removed.
//
// Call order: open(), then setOverwriteAlways(), setBaseFolder(), extract() or entries(), close().
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"
#include "zip/archive_index.h"
#include "zip/worker_threads.h"
#include "zip/zip_error.h"
#include "zip/zip_writer.h"

namespace tarvio::zip {

struct ListedEntry {
  std::string name;  // UTF-8 with "/" separators; a folder's ends in "/"
  uint64_t size = 0;
  uint64_t compressedSize = 0;
  uint16_t method = 0;
  bool isDirectory = false;
  uint32_t attributes = 0;
  LocalTime time;
};

class ZipReader {
 public:
  ZipReader();
  ~ZipReader();
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;

  // Opens an existing archive for reading only; never creates one.
  void open(std::string_view archivePath);
  // Replace existing files, read-only ones too (otherwise existing files are left as they are).
  void setOverwriteAlways(bool always) { overwriteAlways_ = always; }
  void setBaseFolder(std::string_view folder) { baseFolder_ = folder; }
  // mask: a file mask matched against each entry's last name part, or against its whole name
  // when the mask holds a "/"; "*.*" matches every entry. The filter applies to file entries.
  void extract(std::string_view mask = "*.*", uint32_t attributeFilter = defaultAttributeFilter);
  std::vector<ListedEntry> entries() const;
  // Reads every entry's data and checks it, writing nothing.
  void test();
  void close();

  // Threads that extract files (default: every core) and how they are started (tests make a start
  // fail).
  void setThreads(unsigned threads) { threads_ = threads; }
  void setThreadStarter(ThreadStarter starter) { startThread_ = std::move(starter); }

 private:
  // An entry and where it is extracted.
  struct Target {
    const EntryInfo* entry;
    std::string path;
  };
  struct ExtractionPlan {
    std::vector<Target> files;
    std::vector<Target> folders;
  };
  void requireOpen() const;
  std::string targetPath(const std::string& name) const;
  // The phases of extract(), in their order.
  std::vector<const EntryInfo*> selectEntries(std::string_view mask, uint32_t attributeFilter) const;
  void refuseUnsafeEntries(const std::vector<const EntryInfo*>& chosen) const;
  ExtractionPlan createFolders(const std::vector<const EntryInfo*>& chosen) const;
  void writeFiles(const std::vector<Target>& files);
  void finishFolders(const std::vector<Target>& folders);
  void extractFile(const EntryInfo& entry, const std::string& target);

  std::string archivePath_;
  std::unique_ptr<InputFile> file_;
  ArchiveIndex index_;
  bool overwriteAlways_ = false;
  std::string baseFolder_;
  unsigned threads_ = 0;
  ThreadStarter startThread_ = systemThreadStarter();
};

}  // namespace tarvio::zip
