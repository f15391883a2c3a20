// The eight groups of the backup archive, in their order.
#include "backup/backup_archive.h"

#include <regex>

#include "common/main_window.h"
#include "common/paths.h"
#include "platform/platform.h"
#include "zip/zip_reader.h"
#include "zip/zip_writer.h"

namespace tarvio {

void writeBackupArchive(const std::string& archivePath) {
  zip::ZipWriter writer;  // released also when a step raises an error
  ProgressInWindow progress;
  writer.setProgress(ProgressInWindow::report);
  writer.create(archivePath);

  writer.setBaseFolder(paths::installRoot);
  writer.addFiles(paths::dumpFile);

  // The server keeps running during a backup: a work file it deletes after the listing is left out.
  // The dump is never left out: the run lock keeps every other run from touching it.
  writer.setLeaveOutVanishedFiles(true);
  writer.setBaseFolder(paths::tomcatWorkDir);
  for (auto folder : paths::archivedTomcatFolders) {
    writer.addFiles(std::string(paths::tomcatWorkDir) + "\\" + std::string(folder) + "\\*.*");
  }
  writer.setBaseFolder(paths::jettyWorkDir);
  for (auto folder : paths::archivedJettyFolders) {
    writer.addFiles(std::string(paths::jettyWorkDir) + "\\" + std::string(folder) + "\\*.*");
  }
  writer.close();
}

void readBackupArchiveBack(const std::string& archivePath) {
  zip::ZipReader reader;
  ProgressInWindow progress;
  reader.setProgress(ProgressInWindow::report);
  reader.open(archivePath);
  reader.verify();
  reader.close();
}

void removeLeftoversOfKilledRuns() {
  static const std::regex leftover(R"(tarvio-[0-9]{8}-[0-9]{6}\.zip(\.spool)?\.tmp)");
  for (const auto& entry : fs().listDirectory(paths::backupDir)) {
    if (!entry.isDirectory && std::regex_match(entry.name, leftover)) {
      fs().deleteFile(std::string(paths::backupDir) + "\\" + entry.name);
    }
  }
}

}  // namespace tarvio
