// The archive writer: listing the sources, then writing the entries and the central directory.
#include "zip/zip_writer.h"

#include <zlib.h>

#include <algorithm>
#include <thread>

#include "common/wildcard.h"
#include "platform/platform.h"
#include "zip/chunk_deflate.h"
#include "zip/compression_pipeline.h"
#include "zip/zip_format.h"
#include "zip/zip_names.h"
#include "zip/zip_records.h"

namespace tarvio::zip {

namespace {

// The archive file with a write buffer and the count of bytes written.
class ArchiveOutput {
 public:
  explicit ArchiveOutput(std::unique_ptr<OutputFile> file) : file_(std::move(file)) { buffer_.reserve(capacity); }
  void write(std::string_view data) {
    position_ += data.size();
    if (buffer_.size() + data.size() > capacity) {
      flush();
      if (data.size() >= capacity) {
        file_->write(data.data(), data.size());
        return;
      }
    }
    buffer_.append(data);
  }
  void flush() {
    if (!buffer_.empty()) file_->write(buffer_.data(), buffer_.size());
    buffer_.clear();
  }
  void close() {
    flush();
    file_->close();
  }
  uint64_t position() const { return position_; }

 private:
  static constexpr size_t capacity = 1u << 20;
  std::unique_ptr<OutputFile> file_;
  std::string buffer_;
  uint64_t position_ = 0;
};

std::string folderOf(std::string_view path) {
  size_t cut = path.find_last_of("\\/");
  return cut == std::string_view::npos ? std::string() : std::string(path.substr(0, cut));
}

bool startsWithFolder(std::string_view path, std::string_view folder) {
  while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.remove_suffix(1);
  if (folder.empty() || path.size() <= folder.size()) return false;
  if (path[folder.size()] != '\\' && path[folder.size()] != '/') return false;
  return caseFoldedKey(path.substr(0, folder.size())) == caseFoldedKey(folder);
}

// One file entry's compressed data between compressing and writing. Small entries stay in
// memory. For a large one, pieces that went out as stored blocks are not kept: they are read
// again from the source when written (their CRC checked again, so a file changed meanwhile is an
// error), and deflated pieces beyond the memory limit go to a spool file beside the archive.
class EntryData {
 public:
  EntryData(std::string source, std::string spoolPath, bool large, size_t memoryLimit)
      : source_(std::move(source)), spoolPath_(std::move(spoolPath)), large_(large), memoryLimit_(memoryLimit) {}
  ~EntryData() {
    if (spool_ || spooled_ > 0) {
      spool_.reset();
      fs().deleteFile(spoolPath_);
    }
  }

  void add(Piece piece) {
    Segment s;
    s.length = piece.deflated.size();
    if (large_ && piece.stored) {
      s.kind = Segment::fromSource;
      s.crc = piece.crc;
      s.sourceOffset = piece.inputOffset;
      s.sourceLength = piece.inputLength;
      s.last = piece.last;
    } else if (inMemory_ + piece.deflated.size() <= memoryLimit_) {
      inMemory_ += piece.deflated.size();
      s.bytes = std::move(piece.deflated);
      // The piece was compressed into a buffer of its worst-case size (over 1 MiB); a well
      // compressed piece kept with that capacity would hold a thousand times its size.
      s.bytes.shrink_to_fit();
    } else {
      if (!spool_) spool_ = fs().createFile(spoolPath_);
      spool_->write(piece.deflated.data(), piece.deflated.size());
      s.kind = Segment::spooled;
      s.spoolOffset = spooled_;
      spooled_ += piece.deflated.size();
    }
    size_ += s.length;
    segments_.push_back(std::move(s));
  }

  uint64_t size() const { return size_; }

  void writeTo(ArchiveOutput& out) {
    std::unique_ptr<InputFile> spool;
    if (spool_) {
      spool_->close();
      spool_.reset();
      spool = fs().openRead(spoolPath_);
    }
    std::unique_ptr<InputFile> source;
    std::string block;
    for (Segment& s : segments_) {
      if (s.kind == Segment::inMemory) {
        out.write(s.bytes);
      } else if (s.kind == Segment::spooled) {
        block.resize(static_cast<size_t>(s.length));
        if (spool->readAt(s.spoolOffset, block.data(), block.size()) != block.size()) {
          throw ZipError("The spool file \"" + spoolPath_ + "\" was cut short");
        }
        out.write(block);
      } else {
        if (!source) source = fs().openRead(source_);
        block.resize(s.sourceLength);
        if (source->readAt(s.sourceOffset, block.data(), block.size()) != block.size() ||
            crc32(0, reinterpret_cast<const Bytef*>(block.data()), static_cast<uInt>(block.size())) != s.crc) {
          throw ZipError("The file \"" + source_ + "\" changed while it was being archived");
        }
        std::string framed;
        framed.reserve(storedBlocksSize(block.size()));
        appendStoredBlocks(block, s.last, framed);
        out.write(framed);
      }
    }
  }

 private:
  struct Segment {
    enum Kind { inMemory, spooled, fromSource } kind = inMemory;
    std::string bytes;
    uint64_t length = 0;  // bytes of Deflate data
    uint64_t spoolOffset = 0;
    uint64_t sourceOffset = 0;
    size_t sourceLength = 0;
    uint32_t crc = 0;
    bool last = false;
  };
  std::string source_;
  std::string spoolPath_;
  bool large_;
  size_t memoryLimit_;
  std::vector<Segment> segments_;
  std::unique_ptr<OutputFile> spool_;
  uint64_t spooled_ = 0;
  uint64_t inMemory_ = 0;
  uint64_t size_ = 0;
};

}  // namespace

ZipWriter::ZipWriter() = default;

ZipWriter::~ZipWriter() { discardTemporaryFiles(); }

void ZipWriter::discardTemporaryFiles() {
  if (!tempPath_.empty()) fs().deleteFile(tempPath_);
  if (!spoolPath_.empty()) fs().deleteFile(spoolPath_);
}

void ZipWriter::create(std::string_view archivePath) {
  archivePath_ = archivePath;
  tempPath_ = archivePath_ + ".tmp";
  spoolPath_ = archivePath_ + ".spool.tmp";
  entries_.clear();
  byName_.clear();
  created_ = true;
}

void ZipWriter::setBaseFolder(std::string_view folder) { baseFolder_ = folder; }

std::string ZipWriter::entryName(std::string_view path) const {
  std::string_view rest = path;
  std::string_view base = baseFolder_;
  while (!base.empty() && (base.back() == '\\' || base.back() == '/')) base.remove_suffix(1);
  if (startsWithFolder(path, base)) {
    rest = path.substr(base.size() + 1);
  } else {
    // Outside the base folder: the path without its drive and leading separators.
    if (rest.size() >= 2 && rest[1] == ':') rest.remove_prefix(2);
  }
  while (!rest.empty() && (rest.front() == '\\' || rest.front() == '/')) rest.remove_prefix(1);
  std::string name(rest);
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

void ZipWriter::addEntry(Entry entry) {
  std::string key = caseFoldedKey(entry.name);
  auto found = byName_.find(key);
  if (found != byName_.end()) {
    entries_[found->second] = std::move(entry);  // the later source wins, in the earlier place
    return;
  }
  byName_.emplace(std::move(key), entries_.size());
  entries_.push_back(std::move(entry));
}

void ZipWriter::addFiles(std::string_view mask, uint32_t attributeFilter) {
  if (!created_) throw ZipError("No archive was created before adding \"" + std::string(mask) + "\"");
  std::string folder = folderOf(mask);
  std::string_view last = mask.substr(mask.find_last_of("\\/") == std::string_view::npos ? 0 : mask.find_last_of("\\/") + 1);
  if (hasWildcards(last)) {
    addTree(folder, last, attributeFilter);
    return;
  }
  std::string path(mask);
  if (!fs().fileExists(path)) return;
  auto attributes = fs().attributes(path);
  auto time = fs().lastWriteTime(path);
  int64_t size = fs().fileSize(path);
  if (!attributes || !time || size < 0) return;  // vanished in between
  if (!attributesPass(*attributes, attributeFilter)) return;
  addEntry(Entry{entryName(path), false, path, static_cast<uint64_t>(size), *attributes, *time});
}

void ZipWriter::addTree(const std::string& folder, std::string_view pattern, uint32_t filter) {
  std::vector<DirEntry> listing = fs().listDirectory(folder);
  std::string prefix = folder.empty() || folder.back() == '\\' ? folder : folder + "\\";
  for (const DirEntry& e : listing) {
    if (e.isDirectory || !wildcardMatches(pattern, e.name) || !attributesPass(e.attributes, filter)) continue;
    std::string path = prefix + e.name;
    addEntry(Entry{entryName(path), false, path, static_cast<uint64_t>(e.size), e.attributes, e.lastWrite,
                   leaveOutVanished_});
  }
  for (const DirEntry& e : listing) {
    // A junction or a link to a folder is not followed (it may lead back to an ancestor, or out of
    // the tree): its target is not this tree's data, so neither it nor its content is archived.
    if (!e.isDirectory || (e.attributes & attr::reparsePoint)) continue;
    std::string path = prefix + e.name;
    addEntry(Entry{entryName(path) + "/", true, path, 0, e.attributes | attr::directory, clock().now()});
    addTree(path, pattern, filter);
  }
}

void ZipWriter::close() {
  if (!created_) throw ZipError("No archive was created");
  try {
    writeArchive();
    fs().renameReplacing(tempPath_, archivePath_);
  } catch (const std::exception& e) {
    discardTemporaryFiles();
    created_ = false;
    throw ZipError("Cannot write the archive \"" + archivePath_ + "\": " + e.what());
  }
  tempPath_.clear();
  created_ = false;
}

void ZipWriter::writeArchive() {
  ArchiveOutput out(fs().createFile(tempPath_));
  std::vector<SourceFile> files;
  uint64_t total = 0;
  for (const Entry& e : entries_) {
    if (!e.isDirectory) files.push_back(SourceFile{e.sourcePath, e.size});
    total += e.size;
  }
  ProgressMeter meter(progress_, total);
  unsigned threads = threads_ ? threads_ : std::max(1u, std::thread::hardware_concurrency());
  CompressionPipeline pipeline(std::move(files), threads, bytesInFlight_, startThread_);

  std::vector<CentralRecord> central;
  central.reserve(entries_.size());
  for (const Entry& e : entries_) {
    CentralRecord r;
    r.name = encodeEntryName(e.name);
    r.flags = r.name.utf8 ? flag::utf8Name : 0;
    r.time = toDosDateTime(e.time);
    r.attributes = e.attributes;
    r.offset = out.position();
    if (e.isDirectory) {
      r.method = method::stored;
      out.write(localHeader(r, zip64Thresholds_));
      central.push_back(std::move(r));
      continue;
    }
    r.method = method::deflated;
    r.flags |= flag::superFast;
    r.size = e.size;
    // The local header carries the sizes and CRC, so the entry's compressed data is gathered
    // before it is written: see EntryData.
    EntryData entryData(e.sourcePath, spoolPath_, e.size > entryMemoryLimit_, entryMemoryLimit_);
    uint32_t crc = static_cast<uint32_t>(crc32(0, nullptr, 0));
    std::exception_ptr failure;
    for (size_t i = 0, n = pieceCount(e.size); i < n; ++i) {
      Piece piece;
      try {
        piece = pipeline.take();
      } catch (...) {
        if (!failure) failure = std::current_exception();
        continue;  // every piece of the entry is taken, so the next entry's pieces stay in step
      }
      meter.add(piece.inputLength);
      meter.report();
      crc = static_cast<uint32_t>(crc32_combine(crc, piece.crc, static_cast<z_off_t>(piece.inputLength)));
      entryData.add(std::move(piece));
    }
    if (failure) {
      // Gone since it was listed: there is nothing to archive, and nothing of it was written.
      if (e.mayVanish && !fs().fileExists(e.sourcePath)) continue;
      std::rethrow_exception(failure);
    }
    r.crc = crc;
    r.compressedSize = entryData.size();
    out.write(localHeader(r, zip64Thresholds_));
    entryData.writeTo(out);
    central.push_back(std::move(r));
  }

  uint64_t centralOffset = out.position();
  for (const CentralRecord& r : central) out.write(centralHeader(r, zip64Thresholds_));
  uint64_t centralSize = out.position() - centralOffset;
  out.write(endRecords(central.size(), centralSize, centralOffset, zip64Thresholds_));
  out.close();
  meter.finish();
}

}  // namespace tarvio::zip
