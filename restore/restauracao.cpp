// TRestauracao: the restore run and its steps, the script runner at 100 ms.
//
// From the moment the server is stopped the run tells the truth: either the database and the work
// folders now hold the chosen backup and the run ends with its closing lines, or it stops at the
// step that failed, starts the server again, and its error says what failed and where the safety
// archive of this run lies.
#include "restore/restauracao.h"

#include <algorithm>
#include <cstdio>

#include "backup/backup.h"
#include "backup/recorded_run.h"
#include "common/ascii.h"
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

// A step after the server stop that did not do its work. Its text says what failed; the run adds
// where the user's way back is.
class RestoreStepFailed : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The entry of `folder` named `name` with letter case ignored (an archive may hold "Backup" where
// the restore looks for "backup"); nullopt when there is none of that kind.
std::optional<std::string> entryIgnoringCase(std::string_view folder, std::string_view name, bool wantFolder) {
  for (const auto& entry : fs().listDirectory(folder)) {
    if (entry.isDirectory == wantFolder && equalsIgnoringAsciiCase(entry.name, name)) {
      return joinPath(folder, entry.name);
    }
  }
  return std::nullopt;
}

// The server's processes and service as the restore finds them.
struct ServerState {
  std::vector<std::string> processes;
  bool service = false;
  bool stopped() const { return processes.empty() && !service; }
  bool runs(std::string_view image) const {
    return std::find(processes.begin(), processes.end(), image) != processes.end();
  }
};

const std::vector<std::string>& serverImages() {
  static const std::vector<std::string> images{std::string(paths::serverImage), std::string(paths::serverConfigImage),
                                               std::string(paths::tomcatImage)};
  return images;
}

ServerState readServerState() {
  return {server().runningProcesses(serverImages()), server().serviceRunning(paths::tomcatService)};
}

// After the stop scripts, processes end and a service stops within moments: looked at again for a
// few seconds before the server counts as still running.
ServerState awaitServerStopped() {
  ServerState state = readServerState();
  for (int i = 0; i < 20 && !state.stopped(); ++i) {
    desktop().processMessages();
    clock().sleep(500);
    state = readServerState();
  }
  return state;
}

std::string serverStateText(const ServerState& state) {
  std::string text;
  for (const auto& image : state.processes) text += (text.empty() ? "" : ", ") + image;
  if (state.service) text += (text.empty() ? "o serviço " : ", o serviço ") + std::string(paths::tomcatService);
  return text;
}

// The server did not stop (no administrator rights, a service that refused): nothing of the data
// has changed. What this run stopped is started again, and the run ends here.
[[noreturn]] void refuseWithTheServerRunning(const ServerState& before, const ServerState& after) {
  std::string restarted;
  if (before.service && !after.service) {
    TRestauracao::executeCmdPg(commands::startTomcat());
    restarted += "O serviço " + std::string(paths::tomcatService) + " foi iniciado novamente. ";
  }
  std::string config(paths::serverConfigImage);
  if (before.runs(config) && !after.runs(config)) {
    TRestauracao::executeCmdPg(commands::startServerConfig());
    restarted += "O " + config + " foi iniciado novamente. ";
  }
  std::string server(paths::serverImage);
  if (before.runs(server) && !after.runs(server)) restarted += "O " + server + " foi encerrado: abra-o novamente. ";
  throw std::runtime_error(
      "O Tarvio Server não parou (ainda em execução: " + serverStateText(after) +
      "). A restauração foi interrompida antes de destruir o banco de dados: os dados não foram alterados. " +
      restarted + "Execute o Tarvio Backup como administrador e tente novamente.");
}

std::string timestamp() {
  LocalTime t = clock().now();
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  return text;
}

// "errors ignored on restore: N" from pg_restore's error output; nullopt when it does not say so.
std::optional<long> errorsIgnored(const std::string& log) {
  std::string text;
  try {
    // pg_restore says it last: the end of a long log is enough.
    auto in = fs().openRead(log);
    int64_t size = in->size();
    int64_t from = std::max<int64_t>(0, size - (1 << 20));
    text.resize(static_cast<size_t>(size - from));
    text.resize(in->readAt(static_cast<uint64_t>(from), text.data(), text.size()));
  } catch (const FileError&) {
    return std::nullopt;
  }
  // pg_restore writes "warning: errors ignored on restore: N" (older ones "WARNING: ...").
  const std::string phrase = "errors ignored on restore: ";
  size_t at = lowerAscii(text).find(phrase);
  if (at == std::string::npos) return std::nullopt;
  at += phrase.size();
  size_t end = text.find_first_not_of("0123456789", at);
  if (end == at) return std::nullopt;
  return std::stol(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
}

std::string safetyArchiveText(const std::optional<std::string>& safetyArchive) {
  if (!safetyArchive) {
    return "Esta restauração não tem backup de segurança: ele falhou e a restauração continuou.";
  }
  return "O backup de segurança feito antes desta restauração está em " + *safetyArchive +
         ": restaure-o para voltar ao estado anterior.";
}

// The run itself, under the run lock that recordedRun() holds.
void restoreRun(RunRecord& record) {
  // A restore begins with the choice of a backup: cancelling the dialog leaves no trace, not even
  // in the history.
  if (!Principal->OpenDialog().Execute()) {
    record.discard();
    throw SilentAbort();
  }
  record.setArchive(chosenName());
  // A choice that cannot yield a dump, or that the run itself would destroy, is refused here,
  // before the server or the database is touched.
  checkChosenBackup(chosenName());

  logLine("Realizando Backup de Segurança Antes da Restauração...");
  std::optional<std::string> safetyArchive = TBackup::Executar(false);

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

  ServerState before = readServerState();
  TRestauracao::killTarvio();
  ServerState after = awaitServerStopped();
  if (!after.stopped()) refuseWithTheServerRunning(before, after);

  try {
    TRestauracao::dropDatabase();
    TRestauracao::createDatabase();
    if (backupKindOf(chosenName()) == BackupKind::archive) TRestauracao::unzipFiles();
    TRestauracao::restoreDatabase();
  } catch (const std::exception& e) {
    // The server is started again whatever failed; the closing lines are not written.
    logLine("Iniciando o Tarvio Server...");
    TRestauracao::executeCmdPg(commands::startTomcat());
    TRestauracao::executeCmdPg(commands::startServerConfig());
    std::string what = e.what();
    if (!what.empty() && what.back() != '.') what += '.';
    throw std::runtime_error("A restauração falhou: " + what + " " + safetyArchiveText(safetyArchive));
  }
  TRestauracao::startTarvioServer();
}

}  // namespace

void TRestauracao::Executar() {
  // Under the run lock to the end, the safety backup included.
  recordedRun(history::RunKind::restore, [](RunRecord& record) { restoreRun(record); });
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
  // A drop that did not happen (a connection that survived, a permission missing) must stop the run
  // before the dump is loaded into the old database.
  if (executeCmdPg(commands::databaseGoneCheck()) != ScriptExit(0)) {
    throw RestoreStepFailed(
        "o banco de dados \"" + std::string(paths::databaseName) +
        "\" não pôde ser destruído (uma conexão aberta ou falta de permissão); ele não foi alterado e as pastas de "
        "trabalho também não");
  }
}

void TRestauracao::createDatabase() {
  logLine("Criando um novo o banco de dados...");
  ScriptExit created = executeCmdPg(commands::createDatabase());
  if (created != ScriptExit(0)) {
    throw RestoreStepFailed("o banco de dados \"" + std::string(paths::databaseName) +
                            "\" não pôde ser criado novamente (createdb terminou com o código " +
                            (created ? std::to_string(*created) : std::string("desconhecido")) + ")");
  }
}

void TRestauracao::unzipFiles() {
  if (backupKindOf(chosenName()) != BackupKind::archive) throw SilentAbort();
  logLine("Descompactando o Arquivo de Backup...");

  if (!fs().directoryExists(paths::backupDir)) fs().createDirectory(paths::backupDir);
  // What an earlier, interrupted restore left in the extraction folder must not mix into this one.
  if (fs().directoryExists(paths::extractDir)) fs().deleteTree(paths::extractDir);
  if (!fs().directoryExists(paths::extractDir)) fs().createDirectory(paths::extractDir);
  deleteFileIfExists(paths::restoreFile);
  if (fs().fileExists(paths::restoreFile)) {
    throw RestoreStepFailed("o arquivo " + std::string(paths::restoreFile) + ", de uma restauração anterior, não pôde ser apagado");
  }

  {
    zip::ZipReader reader;  // released also when an error passes
    ProgressInWindow progress;
    reader.setProgress(ProgressInWindow::report);
    reader.open(chosenName());
    reader.setOverwriteAlways(true);
    reader.setBaseFolder(paths::extractDir);
    reader.extract("*.*");
    reader.close();
  }

  // The archive's folder "backup", whatever the letter case of its name, holds the dump.
  std::optional<std::string> dumpFolder = entryIgnoringCase(paths::extractDir, "backup", true);
  std::vector<std::string> dumps = dumpFolder ? fs().listFiles(*dumpFolder + "\\", "*") : std::vector<std::string>{};
  if (dumps.empty()) {
    throw RestoreStepFailed("o arquivo de backup não contém o banco de dados na pasta \"backup\"; a extração está em " +
                            std::string(paths::extractDir));
  }
  fs().moveFile(dumps.front(), paths::restoreFile);
  fs().deleteTree(*dumpFolder);

  if (fs().directoryExists(paths::tomcatWorkDir)) fs().deleteTree(paths::tomcatWorkDir);
  if (fs().directoryExists(paths::tomcatWorkDir)) {
    throw RestoreStepFailed("a pasta " + std::string(paths::tomcatWorkDir) +
                            " não pôde ser esvaziada (um arquivo em uso?); as pastas do backup continuam em " +
                            std::string(paths::extractDir));
  }
  fs().forceDirectories(paths::tomcatWorkDir);
  for (auto folder : paths::movedFolders) {
    std::optional<std::string> from = entryIgnoringCase(paths::extractDir, folder, true);
    if (!from) continue;
    try {
      fs().moveDirectory(*from, joinPath(paths::tomcatWorkDir, folder));
    } catch (const FileError& e) {
      throw RestoreStepFailed(std::string("a pasta ") + std::string(folder) + " não pôde ser posta em " +
                              std::string(paths::tomcatWorkDir) + " (" + e.what() +
                              "); o que não foi movido continua em " + std::string(paths::extractDir));
    }
  }
  // Everything that belongs somewhere has been delivered: the rest of the extraction is discarded.
  fs().deleteTree(paths::extractDir);
}

void TRestauracao::restoreDatabase() {
  logLine("Restaurando o Banco de Dados. Aguarde, esta operação pode demorar alguns minutos...");
  if (backupKindOf(chosenName()) != BackupKind::archive) {
    // A bare dump is copied into place (an archive's dump was put there by the extraction). A copy
    // left by an earlier, interrupted restore must not be restored instead of this one.
    deleteFileIfExists(paths::restoreFile);
    fs().copyFile(chosenName(), paths::restoreFile);
  }
  if (!fs().fileExists(paths::restoreFile)) {
    throw RestoreStepFailed("nenhum backup do banco de dados foi posto em " + std::string(paths::restoreFile));
  }
  const std::string log = std::string(paths::backupDir) + "\\pg_restore-" + timestamp() + ".log";
  ScriptExit restored = TBackup::executeCmd(commands::restoreDatabase(log));
  deleteFileIfExists(paths::restoreFile);
  if (restored != ScriptExit(0)) {
    if (auto ignored = errorsIgnored(log)) {
      throw RestoreStepFailed("o pg_restore terminou com " + std::to_string(*ignored) +
                              " erro(s) ignorado(s) e o banco de dados pode estar incompleto; veja o registro " + log);
    }
    throw RestoreStepFailed("o pg_restore falhou (código " +
                            (restored ? std::to_string(*restored) : std::string("desconhecido")) +
                            ") e o banco de dados não foi restaurado; veja o registro " + log);
  }
  deleteFileIfExists(log);
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
