// The eight groups of the backup archive, in their order.
#include "backup/backup_archive.h"

#include "common/paths.h"
#include "zip/zip_writer.h"

namespace tarvio {

void writeBackupArchive(const std::string& archivePath) {
  zip::ZipWriter writer;  // released also when a step raises an error
  writer.create(archivePath);

  writer.setBaseFolder(paths::installRoot);
  writer.addFiles(paths::dumpFile);

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

}  // namespace tarvio
