// A sandbox drive with the main window in place, for tests of the backup and restore runs:
// the command interpreter stand-in runs the scripts, the status log and the boxes are recorded.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/principal.h"
#include "tests/support/sandbox.h"

namespace tarvio::test {

class MainWindowSandbox : public Sandbox, public PrincipalView {
 public:
  MainWindowSandbox();
  ~MainWindowSandbox();

  TPrincipal principal;
  std::vector<std::string> buttonEvents;

  const std::vector<std::string>& log() const { return principal.ListBox().lines(); }
  bool lastLineSelected() const;

  // Writes an executable shell script at a drive path (e.g. a stand-in for pg_dump.exe).
  void writeProgram(const std::string& drivePath, const std::string& shellBody);
  // The shell line with which a pg_restore stand-in answers "--list FILE" as pg_restore does: it
  // ends there, with 0 when the file begins like a custom-format dump and 1 otherwise.
  static std::string pgRestoreListLine();
  // A folder of the sandbox put first on PATH, where programs named without a folder are found.
  std::string searchPathFolder() const { return host("C:\\searchpath"); }

  void buttonEnabledChanged(MainButton button, bool enabled) override;

 private:
  std::string savedPath_;
};

}  // namespace tarvio::test
