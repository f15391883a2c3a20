// The temporary test folder on POSIX and on Windows.
#include "tests/platform/temp_drive.h"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "platform/native.h"

namespace tarvio::test {

namespace stdfs = std::filesystem;

namespace {
stdfs::path fromUtf8(const std::string& s) { return stdfs::path(std::u8string(s.begin(), s.end())); }
}  // namespace

TempDrive::TempDrive() {
  std::random_device random;
  for (int attempt = 0; attempt < 100 && root_.empty(); ++attempt) {
    stdfs::path candidate = stdfs::temp_directory_path() / ("tarvio-plat-" + std::to_string(random() % 1000000000));
    if (stdfs::create_directory(candidate)) root_ = candidate;
  }
  if (root_.empty()) throw std::runtime_error("cannot create a temporary folder");
#ifdef _WIN32
  std::u8string utf8 = root_.u8string();
  prefix_.assign(utf8.begin(), utf8.end());
  prefix_ += '\\';
  fs_ = makeNativeFileSystem("");
#else
  prefix_ = "C:\\";
  fs_ = makeNativeFileSystem(root_.string());
#endif
}

TempDrive::~TempDrive() {
  // Read-only files and folders made by a test must not keep the folder from going away.
  std::error_code ec;
  for (auto it = stdfs::recursive_directory_iterator(root_, ec); !ec && it != stdfs::end(it); it.increment(ec)) {
    stdfs::permissions(it->path(), stdfs::perms::owner_all, stdfs::perm_options::add, ec);
  }
  stdfs::remove_all(root_, ec);
}

stdfs::path TempDrive::host(std::string_view rel) const {
  std::string r(rel);
#ifndef _WIN32
  for (char& c : r) {
    if (c == '\\') c = '/';
  }
#endif
  return root_ / fromUtf8(r);
}

void TempDrive::write(std::string_view rel, std::string_view content) const {
  std::ofstream out(host(rel), std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + std::string(rel));
}

std::string TempDrive::read(std::string_view rel) const {
  std::ifstream in(host(rel), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + std::string(rel));
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void TempDrive::mkdirs(std::string_view rel) const { stdfs::create_directories(host(rel)); }

}  // namespace tarvio::test
