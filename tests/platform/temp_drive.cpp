// The temporary test folder on POSIX and on Windows.
#include "tests/platform/temp_drive.h"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "platform/native.h"
#include "tests/support/host_file.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/wide.h"
#endif

namespace tarvio::test {

namespace stdfs = std::filesystem;

namespace {
stdfs::path fromUtf8(const std::string& s) { return stdfs::path(std::u8string(s.begin(), s.end())); }
}  // namespace

std::string systemText(SystemError error) {
#ifdef _WIN32
  DWORD code = error == SystemError::pathNotFound   ? ERROR_PATH_NOT_FOUND
               : error == SystemError::fileNotFound ? ERROR_FILE_NOT_FOUND
                                                    : ERROR_ACCESS_DENIED;
  wchar_t buffer[512] = {};
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                           MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), buffer, 512, nullptr);
  std::wstring text(buffer, n);
  while (!text.empty() && (text.back() == L'.' || text.back() == L' ' || text.back() == L'\r' || text.back() == L'\n')) {
    text.pop_back();
  }
  return narrow(text);
#else
  switch (error) {
    case SystemError::pathNotFound: return "The system cannot find the path specified";
    case SystemError::fileNotFound: return "The system cannot find the file specified";
    case SystemError::accessDenied: return "Access is denied";
  }
  return "";
#endif
}

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

TempDrive::~TempDrive() { removeHostTree(root_); }

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
