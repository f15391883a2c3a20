// The archive tests' private drive and tool helpers.
#include "tests/zip/zip_drive.h"

#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

#include "platform/native.h"

namespace tarvio::test {

namespace stdfs = std::filesystem;

ZipDrive::ZipDrive() {
  std::string pattern = (stdfs::temp_directory_path() / "tarvio-zip-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a test folder");
  root_ = pattern;
  fs_ = makeNativeFileSystem(root_);
  codePages_ = makeNativeCodePages();
  previous_ = platform();
  clock.current = LocalTime{2024, 3, 5, 9, 7, 4, 0};
  installPlatform(Platform{fs_.get(), codePages_.get(), previous_.processes, previous_.desktop, &clock});
}

ZipDrive::~ZipDrive() {
  installPlatform(previous_);
  std::error_code ec;
  for (auto it = stdfs::recursive_directory_iterator(root_, ec); !ec && it != stdfs::end(it); it.increment(ec)) {
    stdfs::permissions(it->path(), stdfs::perms::owner_all, stdfs::perm_options::add, ec);
  }
  stdfs::remove_all(root_, ec);
}

std::string ZipDrive::host(const std::string& drivePath) const {
  if (drivePath.size() < 2 || drivePath[1] != ':') return drivePath;
  std::string rest = drivePath.substr(2);
  for (char& c : rest) {
    if (c == '\\') c = '/';
  }
  return root_ + rest;
}

void ZipDrive::write(const std::string& drivePath, const std::string& content) {
  stdfs::path p = host(drivePath);
  stdfs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + p.string());
}

std::string ZipDrive::read(const std::string& drivePath) const {
  std::ifstream in(host(drivePath), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + host(drivePath));
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void ZipDrive::makeFolder(const std::string& drivePath) { stdfs::create_directories(host(drivePath)); }

bool ZipDrive::exists(const std::string& drivePath) const { return stdfs::exists(host(drivePath)); }

std::string ZipDrive::tree(const std::string& drivePath) const {
  std::set<std::string> names;
  stdfs::path base = host(drivePath);
  if (!stdfs::exists(base)) return "";
  for (auto it = stdfs::recursive_directory_iterator(base); it != stdfs::end(it); ++it) {
    std::string rel = stdfs::relative(it->path(), base).generic_string();
    names.insert(it->is_directory() ? rel + "/" : rel);
  }
  std::string out;
  for (const auto& n : names) out += n + "\n";
  return out;
}

int runCommand(const std::string& command, std::string* output) {
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return -1;
  std::string text;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  int status = pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool haveTool(const std::string& name) { return runCommand("command -v " + name + " >/dev/null") == 0; }

std::string shellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') out += "'\\''";
    else out.push_back(c);
  }
  return out + "'";
}

}  // namespace tarvio::test
