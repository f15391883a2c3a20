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

namespace tarvio::zip {

namespace {

constexpr uint16_t versionMadeBy = 63;        // APPNOTE 6.3 (UTF-8 names), host 0: MS-DOS/Windows FAT
constexpr uint16_t versionNeeded = 20;        // Deflate and folders

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

struct CentralRecord {
  StoredName name;
  uint16_t flags = 0;
  uint16_t method = 0;
  DosDateTime time;
  uint32_t crc = 0;
  uint64_t compressedSize = 0;
  uint64_t size = 0;
  uint32_t attributes = 0;
  uint64_t offset = 0;
};

std::string localHeader(const CentralRecord& r) {
  std::string h;
  RecordWriter w(h);
  w.u32(sig::localHeader);
  w.u16(versionNeeded);                // version needed to extract
  w.u16(r.flags);                      // general-purpose flags
  w.u16(r.method);                     // compression method
  w.u16(r.time.time);                  // last-modified time (MS-DOS)
  w.u16(r.time.date);                  // last-modified date (MS-DOS)
  w.u32(r.crc);                        // CRC-32 of the data
  w.u32(r.compressedSize);             // compressed size
  w.u32(r.size);                       // uncompressed size
  w.u16(r.name.bytes.size());          // name length
  w.u16(0);                            // extra field length
  w.bytes(r.name.bytes);
  return h;
}

std::string centralHeader(const CentralRecord& r) {
  std::string h;
  RecordWriter w(h);
  w.u32(sig::centralHeader);
  w.u16(versionMadeBy);                // version made by, host MS-DOS: attributes are Windows'
  w.u16(versionNeeded);                // version needed to extract
  w.u16(r.flags);                      // general-purpose flags
  w.u16(r.method);                     // compression method
  w.u16(r.time.time);                  // last-modified time (MS-DOS)
  w.u16(r.time.date);                  // last-modified date (MS-DOS)
  w.u32(r.crc);                        // CRC-32 of the data
  w.u32(r.compressedSize);             // compressed size
  w.u32(r.size);                       // uncompressed size
  w.u16(r.name.bytes.size());          // name length
  w.u16(0);                            // extra field length
  w.u16(0);                            // comment length
  w.u16(0);                            // disk number start
  w.u16(0);                            // internal attributes
  w.u32(r.attributes);                 // external attributes: the Windows attributes
  w.u32(r.offset);                     // offset of the local header
  w.bytes(r.name.bytes);
  return h;
}

std::string endOfCentralDirectory(size_t entries, uint64_t size, uint64_t offset) {
  std::string h;
  RecordWriter w(h);
  w.u32(sig::endOfCentralDir);
  w.u16(0);                            // number of this disk
  w.u16(0);                            // disk where the central directory starts
  w.u16(entries);                      // entries on this disk
  w.u16(entries);                      // entries in total
  w.u32(size);                         // size of the central directory
  w.u32(offset);                       // offset of the central directory
  w.u16(0);                            // comment length
  return h;
}

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

std::string tooLarge(std::string_view path, uint64_t size) {
  return "The file \"" + std::string(path) + "\" (" + std::to_string(size) +
         " bytes) is too large for a ZIP archive without ZIP64 (at most 4294967294 bytes)";
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
  if (static_cast<uint64_t>(size) >= classicLimit) throw ZipError(tooLarge(path, size));
  addEntry(Entry{entryName(path), false, path, static_cast<uint64_t>(size), *attributes, *time});
}

void ZipWriter::addTree(const std::string& folder, std::string_view pattern, uint32_t filter) {
  std::vector<DirEntry> listing = fs().listDirectory(folder);
  std::string prefix = folder.empty() || folder.back() == '\\' ? folder : folder + "\\";
  for (const DirEntry& e : listing) {
    if (e.isDirectory || !wildcardMatches(pattern, e.name) || !attributesPass(e.attributes, filter)) continue;
    std::string path = prefix + e.name;
    if (static_cast<uint64_t>(e.size) >= classicLimit) throw ZipError(tooLarge(path, e.size));
    addEntry(Entry{entryName(path), false, path, static_cast<uint64_t>(e.size), e.attributes, e.lastWrite});
  }
  for (const DirEntry& e : listing) {
    if (!e.isDirectory) continue;
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
  if (entries_.size() >= maxClassicEntries) {
    throw ZipError(std::to_string(entries_.size()) + " entries are more than a ZIP archive without ZIP64 holds");
  }
  ArchiveOutput out(fs().createFile(tempPath_));
  std::vector<SourceFile> files;
  for (const Entry& e : entries_) {
    if (!e.isDirectory) files.push_back(SourceFile{e.sourcePath, e.size});
  }
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
    if (r.offset >= classicLimit) {
      throw ZipError("The entry \"" + e.name + "\" would begin beyond 4 GiB into the archive, "
                     "which a ZIP archive without ZIP64 cannot hold");
    }
    if (e.isDirectory) {
      r.method = method::stored;
      out.write(localHeader(r));
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
    for (size_t i = 0, n = pieceCount(e.size); i < n; ++i) {
      Piece piece = pipeline.take();
      crc = static_cast<uint32_t>(crc32_combine(crc, piece.crc, static_cast<z_off_t>(piece.inputLength)));
      entryData.add(std::move(piece));
      if (entryData.size() >= classicLimit) {
        throw ZipError("The compressed data of \"" + e.sourcePath + "\" is too large for a ZIP archive without ZIP64");
      }
    }
    r.crc = crc;
    r.compressedSize = entryData.size();
    out.write(localHeader(r));
    entryData.writeTo(out);
    central.push_back(std::move(r));
  }

  uint64_t centralOffset = out.position();
  if (centralOffset >= classicLimit) {
    throw ZipError("The central directory would begin beyond 4 GiB into the archive, "
                   "which a ZIP archive without ZIP64 cannot hold");
  }
  for (const CentralRecord& r : central) out.write(centralHeader(r));
  uint64_t centralSize = out.position() - centralOffset;
  out.write(endOfCentralDirectory(central.size(), centralSize, centralOffset));
  out.close();
}

}  // namespace tarvio::zip
