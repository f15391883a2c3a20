// The file system on POSIX: drive C: is a host folder, Windows attributes and error texts emulated.
//
// Attributes: directory from the file type; read-only when the owner has no write permission;
// hidden for names starting with "." (as ls and file managers hide them; it cannot be set or
// cleared); archive for every regular file; normal when none of these applies.
// Read-only is enforced as Windows does even where POSIX would let the call through (for root,
// or because unlink only asks for the folder's permission): deleting, truncating or replacing
// a read-only file fails with "Access is denied".
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "common/wildcard.h"
#include "platform/buffered_output_file.h"
#include "platform/file_transfer_checks.h"
#include "platform/native.h"
#include "platform/posix/drive_path.h"
#include "platform/posix/posix_errors.h"

namespace tarvio {

namespace {

FileError fileError(std::string_view format, std::string_view path, int err) {
  // format holds one "%s" for the path; the system's text follows after ". ".
  std::string text(format);
  auto at = text.find("%s");
  text.replace(at, 2, path);
  return FileError(text + ". " + windowsErrorText(err));
}

LocalTime toLocalTime(const timespec& ts) {
  tm local{};
  localtime_r(&ts.tv_sec, &local);
  return LocalTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                   local.tm_min,         local.tm_sec,     static_cast<int>(ts.tv_nsec / 1000000)};
}

std::string_view baseName(std::string_view hostPath) {
  auto slash = hostPath.find_last_of('/');
  return slash == std::string_view::npos ? hostPath : hostPath.substr(slash + 1);
}

// The folder that holds hostPath ("." for a bare name, "/" for a top-level entry).
std::string parentOf(const std::string& hostPath) {
  std::string p = hostPath;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  auto slash = p.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return p.substr(0, slash);
}

bool isDir(const std::string& hostPath) {
  struct stat st {};
  return stat(hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isFile(const std::string& hostPath) {
  struct stat st {};
  return stat(hostPath.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool existsAtAll(const std::string& hostPath) {
  struct stat st {};
  return lstat(hostPath.c_str(), &st) == 0;
}

bool isReadOnly(const struct stat& st) { return (st.st_mode & S_IWUSR) == 0; }

bool isReadOnlyFile(const std::string& hostPath) {
  struct stat st {};
  return stat(hostPath.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) && isReadOnly(st);
}

uint32_t attributesOf(const struct stat& st, std::string_view name) {
  uint32_t a = 0;
  if (S_ISDIR(st.st_mode)) a |= attr::directory;
  if (S_ISREG(st.st_mode)) a |= attr::archive;
  if (isReadOnly(st)) a |= attr::readOnly;
  if (!name.empty() && name.front() == '.' && name != "." && name != "..") a |= attr::hidden;
  return a == 0 ? attr::normal : a;
}

// Writes a file's data, or a folder's entries, through to the disk, so that a power loss soon after a
// rename cannot leave the final name holding a file of zeros. False with errno set on failure.
bool syncToDisk(const std::string& hostPath) {
  int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  int result = fsync(fd);
  int err = errno;
  ::close(fd);
  errno = err;
  return result == 0;
}

// Deletes everything inside hostDir and then hostDir itself, as far as it can; never throws.
void removeTree(const std::string& hostDir) noexcept {
  try {
    // Permission to list and change the folder, as Windows ignores read-only on folders.
    struct stat self {};
    if (stat(hostDir.c_str(), &self) == 0) chmod(hostDir.c_str(), (self.st_mode & 07777) | S_IRWXU);
    if (DIR* d = opendir(hostDir.c_str())) {
      std::vector<std::string> names;
      while (dirent* e = readdir(d)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.emplace_back(e->d_name);
      }
      closedir(d);
      for (const auto& name : names) {
        std::string child = hostDir + "/" + name;
        struct stat st {};
        if (lstat(child.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
          removeTree(child);
        } else {
          if (S_ISREG(st.st_mode)) chmod(child.c_str(), (st.st_mode & 07777) | S_IWUSR);
          unlink(child.c_str());
        }
      }
    }
    rmdir(hostDir.c_str());
  } catch (...) {
    // Out of memory while collecting names: leave the rest in place.
  }
}

// A file or folder that a folder move left where it was, and why.
struct LeftBehind {
  std::string hostPath;
  int err = 0;
};

// Copies a file to a new name on another file system, keeping its mode and times, then removes the
// source. False with errno set when the copy cannot be made; the target is then not left half-made.
bool copyAcross(const std::string& from, const std::string& to, const struct stat& st) {
  int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  int out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777);
  int err = out < 0 ? errno : 0;
  std::vector<char> buffer(err == 0 ? 1 << 20 : 0);
  while (err == 0) {
    ssize_t got = read(in, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      err = got < 0 ? errno : 0;
      break;
    }
    for (ssize_t done = 0; done < got && err == 0;) {
      ssize_t put = ::write(out, buffer.data() + done, static_cast<size_t>(got - done));
      if (put < 0 && errno != EINTR) err = errno;
      if (put > 0) done += put;
    }
  }
  ::close(in);
  if (out >= 0) {
    timespec times[2] = {st.st_atim, st.st_mtim};
    if (err == 0) futimens(out, times);
    if (::close(out) != 0 && err == 0) err = errno;
    if (err != 0) unlink(to.c_str());
  }
  if (err != 0) {
    errno = err;
    return false;
  }
  unlink(from.c_str());  // delivered; a source that stays is only a copy too many
  return true;
}

// Moves the content of hostFrom into the new folder hostTo, file by file, copying what cannot be
// renamed across file systems; emptied source folders are removed. What cannot be moved stays where it
// is and the rest goes on; the first such file or folder is told. Never throws.
std::optional<LeftBehind> moveTree(const std::string& hostFrom, const std::string& hostTo) noexcept {
  std::optional<LeftBehind> first;
  auto note = [&](const std::string& path, int err) {
    if (!first) first = LeftBehind{path, err};
  };
  try {
    struct stat fromStat {};
    if (stat(hostFrom.c_str(), &fromStat) != 0) return LeftBehind{hostFrom, errno};
    if (mkdir(hostTo.c_str(), S_IRWXU | (fromStat.st_mode & 0077)) != 0 && errno != EEXIST) {
      return LeftBehind{hostFrom, errno};
    }
    std::vector<std::string> names;
    DIR* d = opendir(hostFrom.c_str());
    if (!d) return LeftBehind{hostFrom, errno};
    while (dirent* e = readdir(d)) {
      if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.emplace_back(e->d_name);
    }
    closedir(d);
    for (const auto& name : names) {
      std::string from = hostFrom + "/" + name, to = hostTo + "/" + name;
      struct stat st {};
      if (lstat(from.c_str(), &st) != 0) {
        if (errno != ENOENT) note(from, errno);  // gone since it was listed: nothing to move
        continue;
      }
      if (S_ISDIR(st.st_mode)) {
        if (auto left = moveTree(from, to)) note(left->hostPath, left->err);
      } else if (existsAtAll(to)) {
        note(from, EEXIST);
      } else if (rename(from.c_str(), to.c_str()) != 0) {  // keeps mode and times
        if (errno != EXDEV || !copyAcross(from, to, st)) note(from, errno);
      }
    }
    chmod(hostTo.c_str(), fromStat.st_mode & 07777);
    rmdir(hostFrom.c_str());
  } catch (...) {
    note(hostFrom, ENOMEM);
  }
  return first;
}

class PosixInputFile : public InputFile {
 public:
  PosixInputFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~PosixInputFile() override { ::close(fd_); }

  int64_t size() override {
    struct stat st {};
    if (fstat(fd_, &st) != 0) throw fileError("Cannot read file \"%s\"", path_, errno);
    return st.st_size;
  }

  size_t readAt(uint64_t offset, void* buffer, size_t n) override {
    size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < n) {
      ssize_t got = pread(fd_, out + done, n - done, static_cast<off_t>(offset + done));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) throw fileError("Cannot read file \"%s\"", path_, errno);
      if (got == 0) break;
      done += static_cast<size_t>(got);
    }
    return done;
  }

 private:
  int fd_;
  std::string path_;
};

// The unbuffered file under the shared buffered output file.
class PosixRawOutputFile : public RawOutputFile {
 public:
  PosixRawOutputFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~PosixRawOutputFile() override {
    if (fd_ >= 0) ::close(fd_);
  }

  void writeAll(const char* p, size_t n) override {
    while (n > 0) {
      ssize_t put = ::write(fd_, p, n);
      if (put < 0 && errno == EINTR) continue;
      if (put < 0) throw fileError("Cannot write file \"%s\"", path_, errno);
      p += put;
      n -= static_cast<size_t>(put);
    }
  }

  void close() override {
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw fileError("Cannot write file \"%s\"", path_, errno);
  }

 private:
  int fd_;
  std::string path_;
};

// The queries of the copy and move checks, on host paths.
struct HostPathQueries {
  bool isFolder(const std::string& p) const { return isDir(p); }
  bool isFile(const std::string& p) const { return tarvio::isFile(p); }
  bool exists(const std::string& p) const { return existsAtAll(p); }
  std::string parentOf(const std::string& p) const { return tarvio::parentOf(p); }
};

class PosixFileSystem : public FileSystem {
 public:
  explicit PosixFileSystem(std::string driveC) : driveC_(std::move(driveC)) {}

  bool fileExists(std::string_view path) override { return isFile(host(path)); }
  bool directoryExists(std::string_view path) override { return isDir(host(path)); }

  bool createDirectory(std::string_view path) override { return mkdir(host(path).c_str(), 0777) == 0; }

  bool forceDirectories(std::string_view path) override {
    std::string target = host(path);
    while (target.size() > 1 && target.back() == '/') target.pop_back();
    for (size_t at = target.find('/', 1); at != std::string::npos; at = target.find('/', at + 1)) {
      mkdir(target.substr(0, at).c_str(), 0777);
    }
    mkdir(target.c_str(), 0777);
    return isDir(target);
  }

  bool deleteFile(std::string_view path) override {
    std::string h = host(path);
    if (isReadOnlyFile(h)) return false;
    return unlink(h.c_str()) == 0;
  }

  void deleteTree(std::string_view path) override {
    try {
      std::string h = host(path);
      struct stat st {};
      if (lstat(h.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) removeTree(h);
    } catch (...) {
    }
  }

  void copyFile(std::string_view from, std::string_view to) override {
    std::string src = host(from), dst = host(to);
    checkFileTransfer(HostPathQueries{}, src, dst);

    int in = open(src.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) throw FileError(windowsErrorText(errno));
    struct stat st {};
    fstat(in, &st);
    int out = open(dst.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 0777);
    if (out < 0) {
      int err = errno;
      ::close(in);
      throw FileError(windowsErrorText(err));
    }
    std::vector<char> buffer(1 << 20);
    int err = 0;
    for (;;) {
      ssize_t got = read(in, buffer.data(), buffer.size());
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) {
        err = errno;
        break;
      }
      if (got == 0) break;
      for (ssize_t done = 0; done < got && err == 0;) {
        ssize_t put = ::write(out, buffer.data() + done, static_cast<size_t>(got - done));
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) err = errno;
        else done += put;
      }
      if (err != 0) break;
    }
    ::close(in);
    if (err == 0) {
      // CopyFile keeps the last write time.
      timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
      futimens(out, times);
    }
    if (::close(out) != 0 && err == 0) err = errno;
    if (err != 0) {
      unlink(dst.c_str());  // no half-copied file stays behind
      throw FileError(windowsErrorText(err));
    }
  }

  void moveFile(std::string_view from, std::string_view to) override {
    std::string src = host(from), dst = host(to);
    checkFileTransfer(HostPathQueries{}, src, dst);
    if (rename(src.c_str(), dst.c_str()) != 0) throw FileError(windowsErrorText(errno));
  }

  void moveDirectory(std::string_view from, std::string_view to) override {
    std::string src = host(from), dst = host(to);
    checkFolderMove(HostPathQueries{}, src, dst);
    if (auto left = moveTree(src, dst)) {
      throw FileError("Cannot move the folder \"" + std::string(from) + "\" to \"" + std::string(to) + "\": \"" +
                      drivePathOf(left->hostPath) + "\" was left where it was. " + windowsErrorText(left->err));
    }
  }

  std::vector<DirEntry> listDirectory(std::string_view folder) override {
    std::vector<DirEntry> entries;
    std::string dir = host(folder);
    DIR* d = opendir(dir.c_str());
    if (!d) {
      // A missing folder lists as empty; one that exists but cannot be read must never look empty.
      if (errno == ENOENT || errno == ENOTDIR) return entries;
      throw fileError("Cannot list the folder \"%s\"", folder, errno);
    }
    for (;;) {
      errno = 0;
      dirent* e = readdir(d);
      if (!e) {
        int err = errno;
        closedir(d);
        if (err != 0) throw fileError("Cannot list the folder \"%s\"", folder, err);
        break;
      }
      if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
      std::string child = dir + "/" + e->d_name;
      struct stat link {};
      if (lstat(child.c_str(), &link) != 0) {
        if (errno == ENOENT) continue;  // gone since it was listed
        int err = errno;
        closedir(d);
        throw fileError("Cannot list the folder \"%s\"", folder, err);
      }
      struct stat st = link;
      // A symbolic link is described by what it points to, and marked as a link (a reparse
      // point, as Windows marks its links and junctions); a dangling one as itself.
      bool isLink = S_ISLNK(link.st_mode);
      if (isLink && stat(child.c_str(), &st) != 0) st = link;
      DirEntry entry;
      entry.name = e->d_name;
      entry.isDirectory = S_ISDIR(st.st_mode);
      entry.attributes = attributesOf(st, entry.name) | (isLink ? attr::reparsePoint : 0);
      entry.size = entry.isDirectory ? 0 : static_cast<int64_t>(st.st_size);
      entry.lastWrite = toLocalTime(st.st_mtim);
      entries.push_back(std::move(entry));
    }
    return entries;
  }

  std::vector<std::string> listFiles(std::string_view folder, std::string_view pattern) override {
    std::string_view base = folder;
    while (base.size() > 1 && (base.back() == '\\' || base.back() == '/') && !(base.size() == 3 && base[1] == ':')) {
      base.remove_suffix(1);
    }
    if (!isDir(host(base))) throw FileError(std::string(fserr::pathNotFound));
    // Results are written in the caller's own form: backslashes for drive paths.
    bool drivePath = base.size() >= 2 && base[1] == ':';
    std::string prefix(base);
    if (prefix.back() != '\\' && prefix.back() != '/') prefix += drivePath ? '\\' : '/';
    std::vector<std::string> files;
    for (const auto& entry : listDirectory(base)) {
      if (!entry.isDirectory && wildcardMatches(pattern, entry.name)) files.push_back(prefix + entry.name);
    }
    return files;
  }

  int64_t fileSize(std::string_view path) override {
    struct stat st {};
    if (stat(host(path).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
    return st.st_size;
  }

  std::optional<uint32_t> attributes(std::string_view path) override {
    std::string h = host(path);
    struct stat st {};
    if (stat(h.c_str(), &st) != 0) return std::nullopt;
    return attributesOf(st, baseName(h));
  }

  bool setAttributes(std::string_view path, uint32_t attributes) override {
    std::string h = host(path);
    struct stat st {};
    if (stat(h.c_str(), &st) != 0) return false;
    mode_t mode = st.st_mode & 07777;
    mode = (attributes & attr::readOnly) ? (mode & ~mode_t(0222)) : (mode | S_IWUSR);
    return mode == (st.st_mode & 07777) || chmod(h.c_str(), mode) == 0;
  }

  std::optional<LocalTime> lastWriteTime(std::string_view path) override {
    struct stat st {};
    if (stat(host(path).c_str(), &st) != 0) return std::nullopt;
    return toLocalTime(st.st_mtim);
  }

  bool setLastWriteTime(std::string_view path, const LocalTime& time) override {
    tm local{};
    local.tm_year = time.year - 1900;
    local.tm_mon = time.month - 1;
    local.tm_mday = time.day;
    local.tm_hour = time.hour;
    local.tm_min = time.minute;
    local.tm_sec = time.second;
    local.tm_isdst = -1;
    time_t seconds = mktime(&local);
    if (seconds == static_cast<time_t>(-1)) return false;
    timespec times[2] = {{0, UTIME_OMIT}, {seconds, static_cast<long>(time.millisecond) * 1000000L}};
    return utimensat(AT_FDCWD, host(path).c_str(), times, 0) == 0;
  }

  std::unique_ptr<InputFile> openRead(std::string_view path) override {
    std::string h = host(path);
    int fd = open(h.c_str(), O_RDONLY | O_CLOEXEC);
    int err = errno;
    struct stat st {};
    if (fd >= 0 && fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fd);
      fd = -1;
      err = EISDIR;
    }
    if (fd < 0) {
      // Windows tells a missing file in an existing folder from a missing folder.
      if (err == ENOENT && isDir(parentOf(h))) {
        throw FileError("Cannot open file \"" + std::string(path) + "\". The system cannot find the file specified");
      }
      throw fileError("Cannot open file \"%s\"", path, err);
    }
    return std::make_unique<PosixInputFile>(fd, std::string(path));
  }

  std::unique_ptr<OutputFile> createFile(std::string_view path) override {
    std::string h = host(path);
    if (isReadOnlyFile(h)) throw fileError("Cannot create file \"%s\"", path, EACCES);
    int fd = open(h.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) throw fileError("Cannot create file \"%s\"", path, errno);
    return std::make_unique<BufferedOutputFile>(std::make_unique<PosixRawOutputFile>(fd, std::string(path)),
                                                std::string(path));
  }

  void renameReplacing(std::string_view from, std::string_view to) override {
    std::string src = host(from), dst = host(to);
    int err = 0;
    if (isReadOnlyFile(dst) || isDir(dst)) err = EACCES;
    else if (!syncToDisk(src)) err = errno;
    else if (rename(src.c_str(), dst.c_str()) != 0) err = errno;
    else if (!syncToDisk(parentOf(dst))) err = errno;  // the new name itself
    if (err != 0) {
      throw FileError("Cannot rename file \"" + std::string(from) + "\" to \"" + std::string(to) + "\". " +
                      windowsErrorText(err));
    }
  }

  void appendWhole(std::string_view path, std::string_view data) override {
    std::string h = host(path);
    int err = 0;
    int fd = isReadOnlyFile(h) ? -1 : open(h.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
      err = isReadOnlyFile(h) ? EACCES : errno;
    } else {
      // O_APPEND: the system moves to the end and writes in one step, so appenders never overlap.
      ssize_t put;
      do {
        put = ::write(fd, data.data(), data.size());
      } while (put < 0 && errno == EINTR);
      if (put < 0) err = errno;
      else if (static_cast<size_t>(put) != data.size()) err = ENOSPC;
      else if (fdatasync(fd) != 0) err = errno;
      if (::close(fd) != 0 && err == 0) err = errno;
    }
    if (err != 0) throw fileError("Cannot write file \"%s\"", path, err);
  }

  std::optional<FileIdentity> identity(std::string_view path) override {
    struct stat st {};
    if (stat(host(path).c_str(), &st) != 0) return std::nullopt;
    return FileIdentity{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
  }

  std::vector<FileIdentity> identityWithAncestors(std::string_view path) override {
    std::vector<FileIdentity> chain;
    char* resolved = realpath(host(path).c_str(), nullptr);
    if (!resolved) return chain;
    std::string real = resolved;
    free(resolved);
    for (;;) {
      struct stat st {};
      if (stat(real.c_str(), &st) == 0) {
        chain.push_back({static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)});
      }
      if (real == "/") break;
      real = parentOf(real);
    }
    return chain;
  }

  std::optional<uint64_t> freeSpace(std::string_view path) override {
    struct statvfs fs {};
    if (statvfs(host(path).c_str(), &fs) != 0) return std::nullopt;
    return static_cast<uint64_t>(fs.f_bavail) * fs.f_frsize;
  }

 private:
  std::string host(std::string_view path) const { return toHostPath(path, driveC_); }
  // A host path below the drive written as the program writes its paths ("C:\a\b").
  std::string drivePathOf(const std::string& hostPath) const {
    if (driveC_.empty() || hostPath.rfind(driveC_, 0) != 0) return hostPath;
    std::string rest = hostPath.substr(driveC_.size());
    for (char& c : rest) c = c == '/' ? '\\' : c;
    if (rest.empty() || rest.front() != '\\') rest.insert(rest.begin(), '\\');
    return "C:" + rest;
  }

  std::string driveC_;
};

}  // namespace

std::unique_ptr<FileSystem> makeNativeFileSystem(const std::string& driveC) {
  return std::make_unique<PosixFileSystem>(driveC);
}

}  // namespace tarvio
