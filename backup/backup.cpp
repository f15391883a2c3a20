// TBackup: the backup run, the four dump attempts, the script runner at 250 ms, the archive's name.
#include "backup/backup.h"

#include <cstdio>

#include "backup/backup_archive.h"
#include "backup/recorded_run.h"
#include "common/main_window.h"
#include "common/paths.h"
#include "exec/commands.h"
#include "exec/script_runner.h"
#include "platform/platform.h"

namespace tarvio {

namespace {

constexpr const char* noAttemptSucceeded = "Nenhuma tentativa de backup teve êxito!";
constexpr const char* endLine = "Fim...";

bool dumpIsGood() { return fs().fileSize(paths::dumpFile) >= dumpSuccessThreshold; }

// One dump attempt: its two lines, its script, then the size of the dump decides - unless pg_dump
// said that it failed: a dump it stopped half-way (a full disk, a lost connection, a table it may
// not read) can be large enough, and its table of contents, written first, reads well.
bool dumpAttempt(int number, const std::string& commandText) {
  const std::string digit = std::to_string(number);
  StatusLog& log = Principal->ListBox();
  log.add("Iniciando método " + digit + " de backup...");
  log.addAndSelectLast("Aguarde, efetuando backup...");
  const ScriptExit ended = TBackup::executeCmd(commandText);
  const bool pgDumpFailed = ended.has_value() && *ended != 0;
  if (!pgDumpFailed && dumpIsGood()) return true;
  log.addAndSelectLast("Método " + digit + " de backup falhou...");
  return false;
}

// The archive was written and renamed into place; before the run says "êxito" it reads the archive
// back from the disk, and has the restore's own pg_restore read the dump's table of contents (the
// archive's CRC then proves that the archived copy is that same dump). A backup that fails either
// is removed; the dump stays where it is, for the user to keep.
void proveRestorable(const std::string& archive) {
  auto fail = [&](const std::string& what) {
    fs().deleteFile(archive);
    throw std::runtime_error("O backup não pôde ser comprovado: " + what + ". O arquivo " + archive +
                             " foi apagado; o backup do banco de dados continua em " + std::string(paths::dumpFile) +
                             ".");
  };
  try {
    readBackupArchiveBack(archive);
  } catch (const std::exception& e) {
    fail(std::string("o arquivo gravado não pôde ser lido de volta (") + e.what() + ")");
  }
  ScriptExit listed = TBackup::executeCmd(commands::listDump());
  const std::string pgRestore = std::string(paths::pg10BinDir) + "\\pg_restore.exe";
  if (listed != ScriptExit(0) && !fs().fileExists(pgRestore)) {
    fail("o programa " + pgRestore + ", com o qual a restauração lê o backup, não foi encontrado");
  }
  if (listed != ScriptExit(0)) {
    fail("o pg_restore não conseguiu ler o backup do banco de dados (código " +
         (listed ? std::to_string(*listed) : std::string("desconhecido")) + ")");
  }
}

// The run itself, under the run lock that recordedRun() holds: a second run is refused before it
// touches anything.
std::optional<std::string> backupRun(bool abrirExplorer, RunRecord& record) {
  StatusLog& log = Principal->ListBox();
  if (!fs().directoryExists(paths::backupDir)) fs().createDirectory(paths::backupDir);
  if (fs().directoryExists(paths::backupDir)) removeLeftoversOfKilledRuns();

  // Each attempt runs only when the ones before it failed.
  const bool dumped =
      TBackup::tentativaBkp1() || TBackup::tentativaBkp2() || TBackup::tentativaBkp3() || TBackup::tentativaBkp4();

  if (!dumped) {
    log.addAndSelectLast(noAttemptSucceeded);
    record.setFailure(noAttemptSucceeded);
    record.stopClock();
    if (abrirExplorer) {
      desktop().showMessage(noAttemptSucceeded);
      log.addAndSelectLast(endLine);
    }
    return std::nullopt;
  }

  for (auto folder : paths::pendingFolders) {
    if (fs().directoryExists(folder)) fs().deleteTree(folder);
  }

  // The name is read from the clock once: the archive and both messages carry the same one.
  const std::string archive = std::string(paths::archivePrefix) + TBackup::getBkpName() + ".zip";
  record.setArchive(archive);
  writeBackupArchive(archive);
  proveRestorable(archive);

  log.addAndSelectLast("Backup efetuado com êxito! Disponível em " + archive + ".");
  record.stopClock();
  if (!abrirExplorer) return archive;

  desktop().showMessage("Backup efetuado com êxito! Dispinível em " + archive);
  log.addAndSelectLast(endLine);
  desktop().startExplorer(paths::explorerParameters);
  if (fs().fileExists(paths::dumpFile)) fs().deleteFile(paths::dumpFile);
  return archive;
}

}  // namespace

std::optional<std::string> TBackup::Executar(bool abrirExplorer) {
  return recordedRun(abrirExplorer ? history::RunKind::backup : history::RunKind::safetyBackup,
                     [abrirExplorer](RunRecord& record) { return backupRun(abrirExplorer, record); });
}

ScriptExit TBackup::executeCmd(const std::string& cmd) { return runScript(cmd, 250); }

bool TBackup::tentativaBkp1() { return dumpAttempt(1, commands::dumpAttempt(1)); }
bool TBackup::tentativaBkp2() { return dumpAttempt(2, commands::dumpAttempt(2)); }
bool TBackup::tentativaBkp3() { return dumpAttempt(3, commands::dumpAttempt(3)); }
bool TBackup::tentativaBkp4() { return dumpAttempt(4, commands::dumpAttempt(4)); }

std::string TBackup::getBkpName() {
  LocalTime t = clock().now();
  char text[64];
  std::snprintf(text, sizeof text, "tarvio-%d%02d%02d-%02d%02d%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

}  // namespace tarvio
