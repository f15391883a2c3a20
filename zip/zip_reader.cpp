// The archive reader: listing, checking and extracting entries below a base folder.
#include "zip/zip_reader.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <set>
#include <thread>
#include <unordered_map>

#include "common/wildcard.h"
#include "platform/platform.h"
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

std::string ZipReader::targetPath(const std::string& name) const {
  std::string path = baseFolder_;
  while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  std::string relative = name;
  if (!relative.empty() && relative.back() == '/') relative.pop_back();
  std::replace(relative.begin(), relative.end(), '/', '\\');
  return path.empty() ? relative : path + "\\" + relative;
}

void ZipReader::extractFile(const EntryInfo& entry, const std::string& target) {
  if (auto existing = fs().attributes(target)) {
    if (*existing & attr::directory) {
      throw ZipError("Cannot extract \"" + entry.name + "\" from the archive \"" + archivePath_ +
                     "\": a folder of that name exists at \"" + target + "\"");
    }
    if (!overwriteAlways_) return;
    if (*existing & (attr::readOnly | attr::hidden | attr::system)) fs().setAttributes(target, attr::normal);
  }
  std::unique_ptr<OutputFile> out = fs().createFile(target);
  try {
    readEntryData(*file_, index_, entry, archivePath_,
                  [&](const char* data, size_t n) { out->write(data, n); });
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
  // Of several entries with one name (regardless of case) the last one counts.
  std::vector<const EntryInfo*> chosen;
  std::unordered_map<std::string, size_t> byName;
  for (const EntryInfo& e : index_.entries) {
    std::string subject = wholeName ? e.name : lastPart(e.name);
    if (!wildcardMatches(wholeName ? std::string_view(fullMask) : mask, subject)) continue;
    if (!e.isDirectory && !attributesPass(e.attributes, attributeFilter)) continue;
    std::string key = caseFoldedKey(e.isDirectory ? e.name.substr(0, e.name.size() - 1) : e.name);
    if (auto found = byName.find(key); found != byName.end()) {
      chosen[found->second] = &e;
    } else {
      byName.emplace(std::move(key), chosen.size());
      chosen.push_back(&e);
    }
  }
  return chosen;
}

void ZipReader::refuseUnsafeEntries(const std::vector<const EntryInfo*>& chosen) const {
  for (const EntryInfo* e : chosen) {
    if (auto reason = unsafeNameReason(e->name)) {
      throw ZipError("The entry \"" + e->name + "\" of the archive \"" + archivePath_ +
                     "\" was refused: " + *reason);
    }
    if (!e->isDirectory) {
      if (std::string reason = unsupportedReason(*e); !reason.empty()) {
        throw ZipError("The entry \"" + e->name + "\" of the archive \"" + archivePath_ +
                       "\" cannot be extracted: " + reason);
      }
    }
  }
}

ZipReader::ExtractionPlan ZipReader::createFolders(const std::vector<const EntryInfo*>& chosen) const {
  std::set<std::string> made;
  auto makeFolder = [&](const std::string& folder, const std::string& entryName) {
    if (folder.empty() || !made.insert(caseFoldedKey(folder)).second) return;
    if (!fs().forceDirectories(folder)) {
      throw ZipError("Cannot extract \"" + entryName + "\" from the archive \"" + archivePath_ +
                     "\": the folder \"" + folder + "\" cannot be created");
    }
  };
  ExtractionPlan plan;
  for (const EntryInfo* e : chosen) {
    std::string target = targetPath(e->name);
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

void ZipReader::writeFiles(const std::vector<Target>& files) {
  std::atomic<size_t> next{0};
  std::atomic<bool> failed{false};
  std::mutex errorMutex;
  std::exception_ptr firstError;
  size_t firstErrorIndex = files.size();
  auto work = [&] {
    while (!failed.load()) {
      size_t i = next.fetch_add(1);
      if (i >= files.size()) return;
      try {
        extractFile(*files[i].entry, files[i].path);
      } catch (...) {
        std::lock_guard lock(errorMutex);
        if (i < firstErrorIndex) {
          firstErrorIndex = i;
          firstError = std::current_exception();
        }
        failed = true;
      }
    }
  };
  unsigned threads = threads_ ? threads_ : std::max(1u, std::thread::hardware_concurrency());
  threads = static_cast<unsigned>(std::min<size_t>(threads, std::max<size_t>(files.size(), 1)));
  // This thread works too, so extraction goes on with whatever number of helpers could start.
  WorkerThreads helpers(startThread_, [&] { failed = true; });
  helpers.start(threads - 1, work);
  work();
  helpers.join();
  if (firstError) std::rethrow_exception(firstError);
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
  requireOpen();
  std::vector<const EntryInfo*> chosen = selectEntries(mask, attributeFilter);
  // The whole extraction is refused before anything is written when one entry is unsafe or unreadable.
  refuseUnsafeEntries(chosen);
  // Folders first, in archive order, so that the files can then be written in parallel.
  ExtractionPlan plan = createFolders(chosen);
  writeFiles(plan.files);
  // Folder times and attributes last.
  finishFolders(plan.folders);
}

}  // namespace tarvio::zip
