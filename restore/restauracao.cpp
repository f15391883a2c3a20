// TRestauracao: the restore run and its steps, the script runner at 100 ms.
#include "restore/restauracao.h"

#include "backup/backup.h"
#include "backup/run_lock_scope.h"
#include "common/main_window.h"
#include "common/paths.h"
#include "common/silent_abort.h"
#include "exec/commands.h"
#include "exec/script_runner.h"
#include "platform/platform.h"
#include "restore/chosen_backup.h"
#include "zip/zip_reader.h"

namespace tarvio {

namespace {

void logLine(const std::string& line) { Principal->ListBox().addAndSelectLast(line); }

// The chosen file name, read again from the dialog at each use.
const std::string& chosenName() { return Principal->OpenDialog().FileName; }

void deleteFileIfExists(std::string_view path) {
  if (fs().fileExists(path)) fs().deleteFile(path);
}

std::string joinPath(std::string_view folder, std::string_view name) {
  return std::string(folder) + "\\" + std::string(name);
}

}  // namespace

void TRestauracao::Executar() {
  RunLockScope oneRunAtATime;  // held to the end, the safety backup included
  if (!Principal->OpenDialog().Execute()) throw SilentAbort();
  // A choice that cannot yield a dump is refused here, before the server or the database is touched.
  checkChosenBackup(chosenName());

  logLine("Realizando Backup de Segurança Antes da Restauração...");
  TBackup::Executar(false);

  if (fs().fileSize(paths::dumpFile) < dumpSuccessThreshold) {
    deleteFileIfExists(paths::dumpFile);
    bool goOn = desktop().askYesNo(
        "Erro!", "O Backup de segurança falhou, deseja continuar a restauração? (Não recomendado).");
    if (!goOn) {
      logLine("Restauração Interrompida...");
      throw SilentAbort();
    }
  }
  deleteFileIfExists(paths::dumpFile);

  // The window was closed during the safety backup: nothing has been changed yet, so the restore
  // stops here. Once the server is being stopped the run goes on to its end (each script waiting for
  // the one before it), so that the database is never left dropped or empty.
  if (Principal->terminated()) {
    logLine("Restauração Interrompida...");
    throw SilentAbort();
  }

  killTarvio();
  dropDatabase();
  createDatabase();
  try {
    unzipFiles();
  } catch (...) {
    // A bare dump file passes on here (unzipFiles ends at once by the silent abort); a damaged archive
    // was refused before anything changed.
  }
  restoreDatabase();
  startTarvioServer();
}

ScriptExit TRestauracao::executeCmdPg(const std::string& cmd) { return runScript(cmd, 100); }

void TRestauracao::killTarvio() {
  logLine("Parando o Tarvio Server...");
  for (const auto& script : commands::stopServerScripts()) executeCmdPg(script);
  logLine("Matando possíveis conexões ao banco de dados...");
  executeCmdPg(commands::endConnectionsScript());
}

void TRestauracao::dropDatabase() {
  logLine("Destruindo o banco de dados existente...");
  executeCmdPg(commands::dropDatabase());
}

void TRestauracao::createDatabase() {
  logLine("Criando um novo o banco de dados...");
  executeCmdPg(commands::createDatabase());
}

void TRestauracao::unzipFiles() {
  if (!namesZipArchive(chosenName())) throw SilentAbort();
  logLine("Descompactando o Arquivo de Backup...");

  if (!fs().directoryExists(paths::backupDir)) fs().createDirectory(paths::backupDir);
  // What an earlier, interrupted restore left in the extraction folder must not mix into this one.
  if (fs().directoryExists(paths::extractDir)) fs().deleteTree(paths::extractDir);
  if (!fs().directoryExists(paths::extractDir)) fs().createDirectory(paths::extractDir);
  deleteFileIfExists(paths::restoreFile);

  if (fs().fileExists(chosenName())) {
    zip::ZipReader reader;  // released also when an error passes
    reader.open(chosenName());
    reader.setOverwriteAlways(true);
    reader.setBaseFolder(paths::extractDir);
    reader.extract("*.*");
    reader.close();
  }

  auto dumps = fs().listFiles(std::string(paths::extractDumpDir) + "\\", "*");
  if (dumps.empty()) {
    throw std::runtime_error("O arquivo de backup não contém o banco de dados na pasta \"backup\"");
  }
  fs().moveFile(dumps.front(), paths::restoreFile);
  if (fs().directoryExists(paths::extractDumpDir)) fs().deleteTree(paths::extractDumpDir);

  if (fs().directoryExists(paths::tomcatWorkDir)) fs().deleteTree(paths::tomcatWorkDir);
  fs().forceDirectories(paths::tomcatWorkDir);
  for (auto folder : paths::movedFolders) {
    std::string from = joinPath(paths::extractDir, folder);
    if (fs().directoryExists(from)) fs().moveDirectory(from, joinPath(paths::tomcatWorkDir, folder));
  }
  if (fs().directoryExists(paths::extractDir)) fs().deleteTree(paths::extractDir);
}

void TRestauracao::restoreDatabase() {
  logLine("Restaurando o Banco de Dados. Aguarde, esta operação pode demorar alguns minutos...");
  if (namesDumpFile(chosenName())) {
    // A copy left by an earlier, interrupted restore must not be restored instead of this one.
    deleteFileIfExists(paths::restoreFile);
    fs().copyFile(chosenName(), paths::restoreFile);
  }
  TBackup::executeCmd(commands::restoreDatabase());
  deleteFileIfExists(paths::restoreFile);
  logLine("Banco de Dados Restaurado!");
}

void TRestauracao::startTarvioServer() {
  logLine("Iniciando o Tarvio Server...");
  executeCmdPg(commands::startTomcat());
  executeCmdPg(commands::startServerConfig());
  logLine(
      "Restauração do Banco de Dados Finalizada! Aguarde o sistema inicializar e verifique as "
      "informações restauradas.");
}

}  // namespace tarvio
