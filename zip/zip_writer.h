// Writes one ZIP archive: files and folders added by mask below a base folder, Deflate at level 1,
// names in the OEM code page or UTF-8. ZIP64 records appear only where a size, an offset or the
// entry count outgrows its classic field; any other archive holds none. The archive is built
// under a temporary name in its own folder and renamed over the final name by close(); until
// then, and after any failure, the final name is untouched and the destructor removes what was
// written.
//
// Call order: create(), then any number of setBaseFolder() and addFiles(), then close().
// addFiles() only lists the sources; close() reads, compresses and writes them on all cores.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/filesystem.h"
#include "zip/progress.h"
#include "zip/worker_threads.h"
#include "zip/zip_error.h"
#include "zip/zip_records.h"

namespace tarvio::zip {

// Admits files of every ordinary attribute (hidden and system included).
constexpr uint32_t defaultAttributeFilter = 10431;  // 0x28BF

class ZipWriter {
 public:
  ZipWriter();
  ~ZipWriter();
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  // Starts an archive that will replace any file at archivePath when closed.
  void create(std::string_view archivePath);
  // Entry names are the sources' paths relative to this folder, with "/" separators.
  void setBaseFolder(std::string_view folder);
  // mask: a full path whose last part is one file name or a wildcard mask ("*.*": every file at
  // any depth, each subfolder with a folder entry of its own). A missing source adds nothing.
  // An entry whose name (regardless of case) is already in the archive replaces the earlier one.
  void addFiles(std::string_view mask, uint32_t attributeFilter = defaultAttributeFilter);
  // Files added from now on that are gone by the time the archive is written (deleted meanwhile by a
  // program that keeps running) are left out instead of failing the archive; a file that is there
  // but cannot be read still fails it. Off at first: a file that must be in the archive stays so.
  void setLeaveOutVanishedFiles(bool leaveOut) { leaveOutVanished_ = leaveOut; }
  // Writes every entry and the central directory, then renames the archive into place.
  void close();
  // Reports the file bytes written (done of the sum of the files' sizes) during close(), on the
  // thread that calls close().
  void setProgress(Progress progress) { progress_ = std::move(progress); }

  // Tuning: threads that compress (default: every core); bytes of file data read ahead of the
  // writer; compressed bytes of one entry kept in memory (a larger entry spools to disk).
  void setThreads(unsigned threads) { threads_ = threads; }
  void setMemoryLimits(size_t bytesInFlight, size_t entryMemory) {
    bytesInFlight_ = bytesInFlight;
    entryMemoryLimit_ = entryMemory;
  }
  // Where ZIP64 records begin; tests lower the thresholds (never raise them) to try ZIP64 records
  // on small archives.
  void setZip64Thresholds(const Zip64Thresholds& thresholds) { zip64Thresholds_ = thresholds; }
  // How the compressing threads are started (tests make a start fail).
  void setThreadStarter(ThreadStarter starter) { startThread_ = std::move(starter); }

 private:
  struct Entry {
    std::string name;  // UTF-8 with "/" separators; a folder's ends in "/"
    bool isDirectory = false;
    std::string sourcePath;
    uint64_t size = 0;
    uint32_t attributes = 0;
    LocalTime time;
    bool mayVanish = false;  // left out when gone by the time the archive is written
  };
  void addEntry(Entry entry);
  void addTree(const std::string& folder, std::string_view pattern, uint32_t filter);
  void writeArchive();
  void discardTemporaryFiles();
  std::string entryName(std::string_view path) const;

  std::string archivePath_;
  std::string tempPath_;
  std::string spoolPath_;
  std::string baseFolder_;
  std::vector<Entry> entries_;
  std::unordered_map<std::string, size_t> byName_;
  bool created_ = false;
  bool leaveOutVanished_ = false;
  unsigned threads_ = 0;
  size_t bytesInFlight_ = 64u << 20;
  size_t entryMemoryLimit_ = 32u << 20;
  ThreadStarter startThread_ = systemThreadStarter();
  Zip64Thresholds zip64Thresholds_;
  Progress progress_;
};

}  // namespace tarvio::zip
