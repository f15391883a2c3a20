// The per-test sandbox drive.
#include "tests/support/sandbox.h"

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "common/paths.h"
#include "platform/native.h"
#include "tests/support/host_file.h"

namespace tarvio::test {

namespace stdfs = std::filesystem;

Sandbox::Sandbox(std::string interpreter) : interpreter_(std::move(interpreter)) {
  std::string pattern = (stdfs::temp_directory_path() / "tarvio-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a sandbox folder");
  root_ = pattern;
  fs_ = makeNativeFileSystem(root_);
  codePages_ = makeNativeCodePages();
  processes_ = makeNativeProcessLauncher(root_, interpreter_, {{"PGHOST", root_ + "/no-postgres-server"}});
  runLocks_ = makeNativeRunLocks(root_);
  serverStatus_ = makeNativeServerStatus(root_);
  installed_ = std::make_unique<ScopedPlatform>(Platform{fs_.get(), codePages_.get(), processes_.get(), &desktop,
                                                          &clock, runLocks_.get(), serverStatus_.get(), &eventLog});
}

void Sandbox::reachServersOnLocalhost() {
  if (onLocalhost_) return;
  localhostProcesses_ = makeNativeProcessLauncher(root_, interpreter_, {{"PGHOST", "localhost"}});
  onLocalhost_ = std::make_unique<ScopedPlatform>([this](Platform& p) { p.processes = localhostProcesses_.get(); });
}

Sandbox::~Sandbox() {
  onLocalhost_.reset();
  installed_.reset();
  removeHostTree(root_);
}

std::string Sandbox::host(const std::string& drivePath) const {
  if (drivePath.size() < 2 || drivePath[1] != ':') return drivePath;
  std::string rest = drivePath.substr(2);
  for (char& c : rest) {
    if (c == '\\') c = '/';
  }
  return root_ + rest;
}

void Sandbox::makeInstallLayout() {
  for (auto dir : {paths::vendorRoot, paths::installRoot, paths::pg10BinDir, paths::pgsqlBinDir}) {
    stdfs::create_directories(host(std::string(dir)));
  }
}

void Sandbox::writeFile(const std::string& drivePath, const std::string& content) {
  writeHostFile(host(drivePath), content);
}

std::string Sandbox::readFile(const std::string& drivePath) const {
  if (!stdfs::exists(host(drivePath))) throw std::runtime_error("cannot read " + host(drivePath));
  return readHostFile(host(drivePath));
}

void Sandbox::makeFolder(const std::string& drivePath) { stdfs::create_directories(host(drivePath)); }

bool Sandbox::exists(const std::string& drivePath) const { return stdfs::exists(host(drivePath)); }

std::vector<std::string> Sandbox::tree(const std::string& drivePath) const {
  const std::string folder = host(drivePath);
  std::vector<std::string> names;
  if (!stdfs::exists(folder)) return names;
  for (const auto& e : stdfs::recursive_directory_iterator(folder)) {
    names.push_back(stdfs::relative(e.path(), folder).string() + (e.is_directory() ? "/" : ""));
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace tarvio::test
