// Reads one ZIP archive: lists its entries, checks it, reads it back and extracts those matching a
// mask below a base folder, on all cores. Before anything is written, the whole archive is checked as
// checkExtractable() describes: an unsafe or clashing name, an encrypted entry, an unknown method,
// or local headers that disagree with the central directory stop the extraction with an error.
// Damaged data (CRC, size, truncation) is an error too, and the file being written for that entry
// is removed.
//
// Call order: open(), then setOverwriteAlways(), setBaseFolder(), extract() or entries(),
// checkExtractable(), totalSize(), test(), verify(); close().
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"
#include "zip/archive_index.h"
#include "zip/local_record.h"
#include "zip/progress.h"
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
  // Runs checkExtractable(the base folder) first.
  void extract(std::string_view mask = "*.*", uint32_t attributeFilter = defaultAttributeFilter);
  std::vector<ListedEntry> entries() const;

  // Checks, writing nothing and reading no entry data, that every entry of the archive can be
  // extracted below baseFolder, and refuses (ZipError, the entry named, control characters in
  // names escaped):
  //   "The entry "<name>" of the archive "<archive>" was refused: <reason>" for a name that is
  //   unsafe (see unsafeNameReason), has a part longer than 255 bytes, would make a path longer
  //   than 32,000 characters, is the name of an earlier entry regardless of letter case, or is a
  //   file for one entry and a folder for another;
  //   "... cannot be extracted: <reason>" for an encrypted file or an unknown method;
  //   "... is corrupt: <detail>" for a local header that is missing, lies outside the archive's
  //   data, overlaps another entry's local header or data, or disagrees with the central
  //   directory (see localDisagreement).
  void checkExtractable(std::string_view baseFolder);
  // The entries' uncompressed sizes added up, as the central directory states them (saturating
  // at the largest value): no extraction writes more, since data beyond an entry's stated size is
  // refused.
  uint64_t totalSize() const;

  // Reads every file entry's data and checks it, writing nothing.
  void test();
  // Reads the whole archive back, writing nothing: every local header (and data descriptor)
  // agrees with the central directory and no two entries overlap, as checkExtractable() checks
  // them; then every entry's data inflates to its stated size and CRC-32. Throws ZipError naming
  // the archive and the entry ("The entry "<name>" of the archive "<archive>" is corrupt: ...").
  void verify();
  void close();

  // Reports the bytes read back by verify() (done of totalSize()) and written by extract() (done of
  // the sizes of the files it extracts, skipped ones counted as done), on the calling thread.
  void setProgress(Progress progress) { progress_ = std::move(progress); }
  // Threads that extract or read back entries (default: every core) and how they are started
  // (tests make a start fail).
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
  unsigned threadCount() const;
  void checkNames(std::string_view baseFolder) const;
  void checkLocalRecords();
  const LocalRecord& localRecordOf(const EntryInfo& entry) const;
  // The phases of extract(), in their order.
  std::vector<const EntryInfo*> selectEntries(std::string_view mask, uint32_t attributeFilter) const;
  ExtractionPlan createFolders(const std::vector<const EntryInfo*>& chosen) const;
  void writeFiles(const std::vector<Target>& files, ProgressMeter& meter);
  void finishFolders(const std::vector<Target>& folders);
  void extractFile(const EntryInfo& entry, const std::string& target, ProgressMeter& meter);

  std::string archivePath_;
  std::unique_ptr<InputFile> file_;
  ArchiveIndex index_;
  std::vector<LocalRecord> locals_;  // one per entry once checkLocalRecords() has run
  bool overwriteAlways_ = false;
  std::string baseFolder_;
  unsigned threads_ = 0;
  ThreadStarter startThread_ = systemThreadStarter();
  Progress progress_;
};

}  // namespace tarvio::zip
