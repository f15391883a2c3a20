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

[[noreturn]] void refuse(const std::string& why) { throw std::runtime_error(why + nothingChanged); }

// Everything the restore deletes or overwrites, files and whole folders, before it has read the
// chosen backup to its end.
std::vector<std::string> placesTheRestoreReplaces() {
  std::vector<std::string> places{std::string(paths::dumpFile),   std::string(paths::restoreFile),
                                  std::string(paths::extractDir), std::string(paths::tomcatWorkDir),
                                  std::string(paths::scriptFile), std::string(paths::pgpassFile)};
  for (auto folder : paths::pendingFolders) places.emplace_back(folder);
  return places;
}

// True when the chosen file is one of those places or lies anywhere below one of them, by the
// identity of the files and folders (so no other spelling, short name, share or link escapes).
bool replacedByTheRestore(const std::string& chosenName) {
  std::vector<FileIdentity> chosen = fs().identityWithAncestors(chosenName);
  for (const auto& place : placesTheRestoreReplaces()) {
    auto id = fs().identity(place);
    if (id && std::find(chosen.begin(), chosen.end(), *id) != chosen.end()) return true;
  }
  return false;
}

std::string megabytes(uint64_t bytes) { return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MB"; }

// The folder whose drive receives the extraction: the extraction folder's nearest existing parent.
std::string extractionDrive() {
  for (std::string_view folder : {paths::backupDir, paths::installRoot, paths::vendorRoot}) {
    if (fs().directoryExists(folder)) return std::string(folder);
  }
  return std::string(paths::vendorRoot);
}

void checkRoomForTheExtraction(uint64_t extractedBytes) {
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

void checkZipArchive(const std::string& chosenName) {
  bool holdsDump = false;
  uint64_t extractedBytes = 0;
  try {
    zip::ZipReader reader;
    reader.open(chosenName);
    // The checks that the extraction makes first, the same ones, so that an archive refused by the
    // extraction is refused here, before the database is dropped.
    reader.checkExtractable(paths::extractDir);
    for (const auto& entry : reader.entries()) {
      // The extraction takes the file lying directly in the archive's folder "backup", whatever
      // the letter case of that folder's name.
      std::string name = lowerAscii(entry.name);
      if (!entry.isDirectory && name.rfind("backup/", 0) == 0 &&
          name.find('/', std::strlen("backup/")) == std::string::npos) {
        holdsDump = true;
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
    refuse("O arquivo escolhido não pôde ser lido como um arquivo ZIP: " + chosenName + " (" + e.what() + ").");
  }
  if (!holdsDump) {
    refuse("O arquivo ZIP escolhido não contém o backup do banco de dados (nenhum arquivo na pasta "
           "\"backup\"): " + chosenName + ".");
  }
  checkRoomForTheExtraction(extractedBytes);
}

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

void checkChosenBackup(const std::string& chosenName) {
  if (!fs().fileExists(chosenName)) {
    refuse("O arquivo de backup escolhido não foi encontrado: " + chosenName + ".");
  }
  if (replacedByTheRestore(chosenName)) {
    refuse("O arquivo escolhido é usado pela própria restauração e seria apagado antes de ser lido: " + chosenName +
           ". Copie-o para outra pasta e escolha a cópia.");
  }
  try {
    fs().openRead(chosenName);
  } catch (const std::exception& e) {
    refuse("O arquivo de backup escolhido não pôde ser lido: " + chosenName + " (" + e.what() + ").");
  }
  std::optional<BackupKind> kind = backupKindOf(chosenName);
  if (!kind) {
    refuse("O arquivo escolhido não é um backup: nem um arquivo ZIP nem um backup do banco de dados do PostgreSQL: " +
           chosenName + ".");
  }
  if (*kind == BackupKind::archive) checkZipArchive(chosenName);
}

}  // namespace tarvio
