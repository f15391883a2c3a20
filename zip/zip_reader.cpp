// The archive reader: listing, checking, reading back and extracting entries below a base folder.
#include "zip/zip_reader.h"

#include <algorithm>
#include <set>
#include <thread>

#include "common/wildcard.h"
#include "platform/platform.h"
#include "zip/entry_data.h"
#include "zip/name_checks.h"
#include "zip/zip_format.h"
#include "zip/zip_names.h"

namespace tarvio::zip {

namespace {

std::string lastPart(std::string_view name) {
  if (!name.empty() && name.back() == '/') name.remove_suffix(1);
  size_t slash = name.find_last_of('/');
  return std::string(slash == std::string_view::npos ? name : name.substr(slash + 1));
}

std::string parentOf(const std::string& path) {
  size_t cut = path.find_last_of('\\');
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

}  // namespace

ZipReader::ZipReader() = default;
ZipReader::~ZipReader() = default;

void ZipReader::open(std::string_view archivePath) {
  close();
  archivePath_ = archivePath;
  std::unique_ptr<InputFile> file;
  try {
    file = fs().openRead(archivePath_);
  } catch (const std::exception& e) {
    throw ZipError("Cannot open the archive \"" + archivePath_ + "\": " + e.what());
  }
  index_ = readArchiveIndex(*file, archivePath_);
  file_ = std::move(file);
}

void ZipReader::close() {
  file_.reset();
  index_ = ArchiveIndex{};
  locals_.clear();
}

void ZipReader::requireOpen() const {
  if (!file_) throw ZipError("No archive is open");
}

std::vector<ListedEntry> ZipReader::entries() const {
  requireOpen();
  std::vector<ListedEntry> list;
  for (const EntryInfo& e : index_.entries) {
    list.push_back(ListedEntry{e.name, e.size, e.compressedSize, e.method, e.isDirectory, e.attributes, e.time});
  }
  return list;
}

void ZipReader::test() {
  requireOpen();
  for (const EntryInfo& e : index_.entries) {
    if (!e.isDirectory) readEntryData(*file_, index_, e, archivePath_, [](const char*, size_t) {});
  }
}

uint64_t ZipReader::totalSize() const {
  requireOpen();
  uint64_t total = 0;
  for (const EntryInfo& e : index_.entries) total = e.size > UINT64_MAX - total ? UINT64_MAX : total + e.size;
  return total;
}

void ZipReader::checkNames(std::string_view baseFolder) const {
  auto refuse = [&](const EntryInfo& e, const std::string& reason) {
    return entryError(e, archivePath_, "was refused: " + reason);
  };
  for (const EntryInfo& e : index_.entries) {
    if (auto reason = nameRefusal(e.name, baseFolder)) throw refuse(e, *reason);
    if (!e.isDirectory) {
      if (std::string reason = unsupportedReason(e); !reason.empty()) {
        throw entryError(e, archivePath_, "cannot be extracted: " + reason);
      }
    }
  }
  if (auto conflict = nameConflict(index_.entries)) throw refuse(index_.entries[conflict->entry], conflict->reason);
}

void ZipReader::checkLocalRecords() {
  if (locals_.size() == index_.entries.size()) return;  // read and checked before
  std::vector<LocalRecord> locals;
  locals.reserve(index_.entries.size());
  for (const EntryInfo& e : index_.entries) locals.push_back(readLocalRecord(*file_, index_, e, archivePath_));
  // No byte of the archive belongs to two entries: overlapping entries (a "zip bomb" of many
  // central records pointing at one local entry, or a local header hidden in another's data)
  // would extract the same data many times or differ between readers.
  if (auto overlap = firstOverlap(locals)) {
    throw entryError(index_.entries[overlap->entry], archivePath_,
                     "is corrupt: its local header and data overlap those of the entry \"" +
                         printableName(index_.entries[overlap->other].name) + "\"");
  }
  for (size_t i = 0; i < locals.size(); ++i) {
    if (std::string why = localDisagreement(locals[i], index_.entries[i]); !why.empty()) {
      throw entryError(index_.entries[i], archivePath_, "is corrupt: " + why);
    }
  }
  locals_ = std::move(locals);
}

const LocalRecord& ZipReader::localRecordOf(const EntryInfo& entry) const {
  return locals_[static_cast<size_t>(&entry - index_.entries.data())];
}

void ZipReader::checkExtractable(std::string_view baseFolder) {
  requireOpen();
  checkNames(baseFolder);
  checkLocalRecords();
}

void ZipReader::verify() {
  requireOpen();
  checkLocalRecords();
  ProgressMeter meter(progress_, totalSize());
  runInParallel(
      index_.entries.size(), threadCount(), startThread_,
      [&](size_t i) {
        streamEntryData(*file_, index_.entries[i], locals_[i].dataAt, archivePath_, [&](const char*, size_t n) {
          meter.add(n);
          meter.report();
        });
      },
      [&] { meter.report(); });
  meter.finish();
}

unsigned ZipReader::threadCount() const {
  return threads_ ? threads_ : std::max(1u, std::thread::hardware_concurrency());
}

void ZipReader::extractFile(const EntryInfo& entry, const std::string& target, ProgressMeter& meter) {
  if (auto existing = fs().attributes(target)) {
    if (*existing & attr::directory) {
      throw ZipError("Cannot extract \"" + printableName(entry.name) + "\" from the archive \"" + archivePath_ +
                     "\": a folder of that name exists at \"" + target + "\"");
    }
    if (!overwriteAlways_) {
      meter.add(entry.size);
      return;
    }
    if (*existing & (attr::readOnly | attr::hidden | attr::system)) fs().setAttributes(target, attr::normal);
  }
  std::unique_ptr<OutputFile> out = fs().createFile(target);
  try {
    streamEntryData(*file_, entry, localRecordOf(entry).dataAt, archivePath_,
                    [&](const char* data, size_t n) {
                      out->write(data, n);
                      meter.add(n);
                      meter.report();
                    });
    out->close();
  } catch (...) {
    out.reset();
    fs().deleteFile(target);  // no half-written file stays behind
    throw;
  }
  fs().setLastWriteTime(target, entry.time);
  uint32_t attributes = entry.attributes & ~attr::directory;
  if (attributes != 0 && attributes != attr::archive) fs().setAttributes(target, attributes);
}

std::vector<const EntryInfo*> ZipReader::selectEntries(std::string_view mask, uint32_t attributeFilter) const {
  bool wholeName = mask.find_first_of("/\\") != std::string_view::npos;
  std::string fullMask(mask);
  std::replace(fullMask.begin(), fullMask.end(), '\\', '/');
  std::vector<const EntryInfo*> chosen;
  for (const EntryInfo& e : index_.entries) {
    std::string subject = wholeName ? e.name : lastPart(e.name);
    if (!wildcardMatches(wholeName ? std::string_view(fullMask) : mask, subject)) continue;
    if (!e.isDirectory && !attributesPass(e.attributes, attributeFilter)) continue;
    chosen.push_back(&e);
  }
  return chosen;
}

ZipReader::ExtractionPlan ZipReader::createFolders(const std::vector<const EntryInfo*>& chosen) const {
  // Each spelling once: two that differ in letter case are one folder on Windows (made twice,
  // harmlessly) but two on POSIX, where each must exist for its own entries.
  std::set<std::string> made;
  auto makeFolder = [&](const std::string& folder, const std::string& entryName) {
    if (folder.empty() || !made.insert(folder).second) return;
    if (!fs().forceDirectories(folder)) {
      throw ZipError("Cannot extract \"" + printableName(entryName) + "\" from the archive \"" + archivePath_ +
                     "\": the folder \"" + folder + "\" cannot be created");
    }
  };
  ExtractionPlan plan;
  for (const EntryInfo* e : chosen) {
    std::string target = extractionPath(baseFolder_, e->name);
    if (e->isDirectory) {
      makeFolder(target, e->name);
      plan.folders.push_back(Target{e, std::move(target)});
    } else {
      makeFolder(parentOf(target), e->name);
      plan.files.push_back(Target{e, std::move(target)});
    }
  }
  return plan;
}

void ZipReader::writeFiles(const std::vector<Target>& files, ProgressMeter& meter) {
  runInParallel(
      files.size(), threadCount(), startThread_,
      [&](size_t i) {
        extractFile(*files[i].entry, files[i].path, meter);
        meter.report();
      },
      [&] { meter.report(); });
}

void ZipReader::finishFolders(const std::vector<Target>& folders) {
  // Deepest first, since writing inside a folder changes its time. A read-only mark is not put on
  // folders: it would keep their contents from being replaced.
  for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
    fs().setLastWriteTime(it->path, it->entry->time);
    uint32_t attributes = it->entry->attributes & (attr::hidden | attr::system);
    if (attributes != 0) fs().setAttributes(it->path, attributes | attr::directory);
  }
}

void ZipReader::extract(std::string_view mask, uint32_t attributeFilter) {
  // The whole archive is checked before anything is written, whatever the mask chooses.
  checkExtractable(baseFolder_);
  std::vector<const EntryInfo*> chosen = selectEntries(mask, attributeFilter);
  // Folders first, in archive order, so that the files can then be written in parallel.
  ExtractionPlan plan = createFolders(chosen);
  uint64_t total = 0;
  for (const Target& f : plan.files) total += f.entry->size;
  ProgressMeter meter(progress_, total);
  writeFiles(plan.files, meter);
  // Folder times and attributes last.
  finishFolders(plan.folders);
  meter.finish();
}

}  // namespace tarvio::zip
