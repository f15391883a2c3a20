// The check of the chosen backup before the restore changes anything.
#include "restore/chosen_backup.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "common/ascii.h"
#include "common/main_window.h"
#include "common/paths.h"
#include "platform/platform.h"
#include "zip/zip_reader.h"

namespace tarvio {

namespace {

constexpr const char* nothingChanged = " Nada foi alterado.";

// Everything the restore deletes or overwrites, files and whole folders, before it has read the
// chosen backup to its end.
std::vector<std::string> placesTheRestoreReplaces() {
  std::vector<std::string> places{std::string(paths::dumpFile),   std::string(paths::restoreFile),
                                  std::string(paths::extractDir), std::string(paths::tomcatWorkDir),
                                  std::string(paths::scriptFile), std::string(paths::pgpassFile)};
  for (auto folder : paths::pendingFolders) places.emplace_back(folder);
  return places;
}

std::string megabytes(uint64_t bytes) { return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MB"; }

// The folder whose drive receives the extraction: the extraction folder's nearest existing parent.
std::string extractionDrive() {
  for (std::string_view folder : {paths::backupDir, paths::installRoot, paths::vendorRoot}) {
    if (fs().directoryExists(folder)) return std::string(folder);
  }
  return std::string(paths::vendorRoot);
}

// One check of one file: its refusals carry the check's ending.
class FileCheck {
 public:
  FileCheck(const std::string& path, const BackupFileCheck& check) : path_(path), check_(check) {}

  CheckedBackup run() {
    if (!fs().fileExists(path_)) refuse("O arquivo de backup escolhido não foi encontrado: " + path_ + ".");
    if (replacedByTheRun()) {
      refuse("O arquivo escolhido é usado " + check_.usedBy + " e seria apagado antes de ser lido: " + path_ +
             ". Copie-o para outra pasta e escolha a cópia.");
    }
    CheckedBackup found;
    try {
      found.dumpBytes = static_cast<uint64_t>(std::max<int64_t>(fs().openRead(path_)->size(), 0));
    } catch (const std::exception& e) {
      refuse("O arquivo de backup escolhido não pôde ser lido: " + path_ + " (" + e.what() + ").");
    }
    std::optional<BackupKind> kind = backupKindOf(path_);
    if (!kind) {
      refuse("O arquivo escolhido não é um backup: nem um arquivo ZIP nem um backup do banco de dados do PostgreSQL: " +
             path_ + ".");
    }
    found.kind = *kind;
    if (*kind == BackupKind::archive) checkZipArchive(found);
    return found;
  }

 private:
  [[noreturn]] void refuse(const std::string& why) const { throw std::runtime_error(why + check_.refusalEnding); }

  // True when the file is one of the places the run replaces or lies anywhere below one of them, by
  // the identity of the files and folders (so no other spelling, short name, share or link escapes).
  bool replacedByTheRun() const {
    std::vector<FileIdentity> chosen = fs().identityWithAncestors(path_);
    for (const auto& place : check_.placesReplaced) {
      auto id = fs().identity(place);
      if (id && std::find(chosen.begin(), chosen.end(), *id) != chosen.end()) return true;
    }
    return false;
  }

  void checkRoom(uint64_t extractedBytes) const {
    std::string drive = extractionDrive();
    std::optional<uint64_t> free = fs().freeSpace(drive);
    if (!free) return;  // the system cannot tell: the extraction will say so if it runs out
    // A margin for the file system's own needs and for what else is written meanwhile.
    uint64_t needed = extractedBytes + std::max<uint64_t>(extractedBytes / 10, 64u << 20);
    if (*free < needed) {
      refuse("Não há espaço suficiente no disco para restaurar este backup: a extração precisa de " + megabytes(needed) +
             " e há " + megabytes(*free) + " livres em " + drive + ".");
    }
  }

  void checkZipArchive(CheckedBackup& found) const {
    bool holdsDump = false;
    uint64_t extractedBytes = 0;
    try {
      zip::ZipReader reader;
      reader.open(path_);
      // The checks that the extraction makes first, the same ones, so that an archive refused by the
      // extraction is refused here, before the database is dropped.
      reader.checkExtractable(paths::extractDir);
      for (const auto& entry : reader.entries()) {
        // The extraction takes the file lying directly in the archive's folder "backup", whatever
        // the letter case of that folder's name.
        std::string name = lowerAscii(entry.name);
        if (!holdsDump && !entry.isDirectory && name.rfind("backup/", 0) == 0 &&
            name.find('/', std::strlen("backup/")) == std::string::npos) {
          holdsDump = true;
          found.dumpEntry = entry.name;
          found.dumpBytes = entry.size;
        }
      }
      extractedBytes = reader.totalSize();
      // Every entry's data is read and checked once here, so that a damaged archive is found out
      // before the database is dropped rather than half-way through the extraction.
      if (holdsDump) {
        ProgressInWindow progress;
        reader.setProgress(ProgressInWindow::report);
        reader.verify();
      }
      reader.close();
    } catch (const std::exception& e) {
      refuse("O arquivo escolhido não pôde ser lido como um arquivo ZIP: " + path_ + " (" + e.what() + ").");
    }
    if (!holdsDump) {
      refuse("O arquivo ZIP escolhido não contém o backup do banco de dados (nenhum arquivo na pasta "
             "\"backup\"): " + path_ + ".");
    }
    checkRoom(check_.extractsEverything ? extractedBytes : found.dumpBytes);
  }

  const std::string& path_;
  const BackupFileCheck& check_;
};

}  // namespace

std::optional<BackupKind> backupKindOf(const std::string& path) {
  char head[5] = {};
  try {
    if (fs().openRead(path)->readAt(0, head, sizeof head) < 4) return std::nullopt;
  } catch (const FileError&) {
    return std::nullopt;
  }
  if (std::memcmp(head, "PK\x03\x04", 4) == 0) return BackupKind::archive;
  if (std::memcmp(head, "PGDMP", 5) == 0) return BackupKind::dump;
  return std::nullopt;
}

CheckedBackup checkBackupFile(const std::string& path, const BackupFileCheck& check) {
  return FileCheck(path, check).run();
}

void checkChosenBackup(const std::string& chosenName) {
  checkBackupFile(chosenName, {nothingChanged, "pela própria restauração", placesTheRestoreReplaces(), true});
}

}  // namespace tarvio
