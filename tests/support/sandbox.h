// A private drive C: for one test: a temporary folder mapped as C:\ by the real POSIX file system,
// with the real code pages and process launcher, a scripted desktop and a fake clock installed.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/support/fake_desktop.h"
#include "tests/support/scoped_platform.h"

namespace tarvio::test {

class Sandbox {
 public:
  // interpreter: the command interpreter stand-in to run for "cmd.exe" (may be empty).
  explicit Sandbox(std::string interpreter = "");
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  // The host path of a drive path ("C:\Meridano" -> "<root>/Meridano"); other paths unchanged.
  std::string host(const std::string& drivePath) const;
  const std::string& root() const { return root_; }

  // Creates vendorRoot, installRoot and the folders of the fixed layout.
  void makeInstallLayout();
  // Writes a file (creating its folders) with the given content.
  void writeFile(const std::string& drivePath, const std::string& content);
  std::string readFile(const std::string& drivePath) const;
  // Creates a folder and the folders above it.
  void makeFolder(const std::string& drivePath);
  bool exists(const std::string& drivePath) const;
  // Relative paths of every file and folder (folders ending in "/") below a drive folder, sorted;
  // empty when the folder does not exist.
  std::vector<std::string> tree(const std::string& drivePath) const;

  // From now on the scripts' PostgreSQL clients connect to localhost, as the console program
  // makes them do. Until then they are sent to a folder of the sandbox where no server listens, so
  // that a client found along PATH (Debian's /usr/bin/pg_dump) never reaches the test servers.
  void reachServersOnLocalhost();

  FakeDesktop desktop;
  FakeClock clock;
  RecordingEventLog eventLog;

 private:
  std::string root_;
  std::string interpreter_;
  std::unique_ptr<FileSystem> fs_;
  std::unique_ptr<CodePages> codePages_;
  std::unique_ptr<ProcessLauncher> processes_;
  std::unique_ptr<RunLocks> runLocks_;
  std::unique_ptr<ServerStatus> serverStatus_;
  std::unique_ptr<ScopedPlatform> installed_;
  std::unique_ptr<ProcessLauncher> localhostProcesses_;
  std::unique_ptr<ScopedPlatform> onLocalhost_;
};

}  // namespace tarvio::test
