// The check of the chosen backup before the restore changes anything.
#include "restore/chosen_backup.h"

#include <cstring>
#include <stdexcept>

#include "common/ascii.h"
#include "common/paths.h"
#include "platform/platform.h"
#include "zip/zip_names.h"
#include "zip/zip_reader.h"

namespace tarvio {

namespace {

constexpr const char* nothingChanged = " Nada foi alterado.";

[[noreturn]] void refuse(const std::string& why) { throw std::runtime_error(why + nothingChanged); }

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

// A file that the restore itself deletes or overwrites before it reads the chosen backup.
bool isWorkFileOfTheRestore(const std::string& chosenName) {
  std::string lowered = lowerAscii(chosenName);
  std::string extractFolder = lowerAscii(paths::extractDir) + "\\";
  return lowered == lowerAscii(paths::dumpFile) || lowered == lowerAscii(paths::restoreFile) ||
         startsWith(lowered, extractFolder);
}

void checkZipArchive(const std::string& chosenName) {
  bool holdsDump = false;
  try {
    zip::ZipReader reader;
    reader.open(chosenName);
    for (const auto& entry : reader.entries()) {
      if (auto reason = zip::unsafeNameReason(entry.name)) {
        throw std::runtime_error("entry \"" + entry.name + "\": " + *reason);
      }
      std::string name = lowerAscii(entry.name);
      // The extraction takes the first file lying directly in the archive's folder "backup".
      if (!entry.isDirectory && startsWith(name, "backup/") &&
          name.find('/', std::strlen("backup/")) == std::string::npos) {
        holdsDump = true;
      }
    }
    // Every entry's data is read and checked once here, so that a damaged archive is found out
    // before the database is dropped rather than half-way through the extraction.
    if (holdsDump) reader.test();
    reader.close();
  } catch (const std::exception& e) {
    refuse("O arquivo escolhido não pôde ser lido como um arquivo ZIP: " + chosenName + " (" + e.what() +
           ").");
  }
  if (!holdsDump) {
    refuse("O arquivo ZIP escolhido não contém o backup do banco de dados (nenhum arquivo na pasta "
           "\"backup\"): " + chosenName + ".");
  }
}

void checkDumpFile(const std::string& chosenName) {
  // Every PostgreSQL custom-format dump begins with these five bytes.
  static constexpr char magic[] = "PGDMP";
  char head[5] = {};
  size_t got = 0;
  try {
    got = fs().openRead(chosenName)->readAt(0, head, sizeof head);
  } catch (const std::exception& e) {
    refuse("O arquivo de backup escolhido não pôde ser lido: " + chosenName + " (" + e.what() + ").");
  }
  if (got != sizeof head || std::memcmp(head, magic, sizeof head) != 0) {
    refuse("O arquivo escolhido não é um backup do banco de dados do PostgreSQL: " + chosenName + ".");
  }
}

}  // namespace

bool namesZipArchive(std::string_view chosenName) {
  return lowerAscii(chosenName).find(".zip") != std::string::npos;
}

bool namesDumpFile(std::string_view chosenName) {
  return !namesZipArchive(chosenName) && lowerAscii(chosenName).find(".backup") != std::string::npos;
}

void checkChosenBackup(const std::string& chosenName) {
  if (!namesZipArchive(chosenName) && !namesDumpFile(chosenName)) {
    refuse("O arquivo escolhido não é um arquivo de backup (.zip ou .backup): " + chosenName + ".");
  }
  if (isWorkFileOfTheRestore(chosenName)) {
    refuse("O arquivo escolhido é usado pela própria restauração e seria apagado antes de ser lido: " +
           chosenName + ". Copie-o para outra pasta e escolha a cópia.");
  }
  if (!fs().fileExists(chosenName)) {
    refuse("O arquivo de backup escolhido não foi encontrado: " + chosenName + ".");
  }
  if (namesZipArchive(chosenName)) {
    checkZipArchive(chosenName);
  } else {
    checkDumpFile(chosenName);
  }
}

}  // namespace tarvio
