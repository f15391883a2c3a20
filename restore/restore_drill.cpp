// The restore drill.
#include "restore/restore_drill.h"

#include <cstdio>
#include <optional>
#include <vector>

#include "backup/archive_retention.h"
#include "backup/recorded_run.h"
#include "common/main_window.h"
#include "common/paths.h"
#include "exec/commands.h"
#include "platform/platform.h"
#include "restore/chosen_backup.h"
#include "restore/restauracao.h"
#include "zip/zip_reader.h"

namespace tarvio {

namespace {

constexpr const char* failedPrefix = "A verificação falhou: ";

void logLine(const std::string& line) { Principal->ListBox().addAndSelectLast(line); }

[[noreturn]] void fail(const std::string& why) { throw DrillFailed(failedPrefix + why); }

std::string codeText(const ScriptExit& code) { return code ? std::to_string(*code) : std::string("desconhecido"); }

std::string timestamp() {
  LocalTime t = clock().now();
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  return text;
}

std::string fileText(std::string_view path, size_t most) {
  auto in = fs().openRead(path);
  std::string text(static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(in->size(), 0), static_cast<int64_t>(most))),
                   '\0');
  text.resize(in->readAt(0, text.data(), text.size()));
  return text;
}

// The backup to prove: the one named, or the newest archive of this program in the backup folder.
std::string backupToProve(const std::string& named) {
  if (!named.empty()) return named;
  std::vector<std::string> archives = archivesIn(paths::backupDir);
  if (archives.empty()) {
    fail("não há nenhum backup (tarvio-AAAAMMDD-HHMMSS.zip) em " + std::string(paths::backupDir) + ".");
  }
  return std::string(paths::backupDir) + "\\" + archives.front();
}

// Puts the backup's dump at drillDumpFile: an archive's dump entry extracted alone, a bare dump copied.
void extractDump(const std::string& backup, const CheckedBackup& checked) {
  logLine("Extraindo o backup do banco de dados para " + std::string(paths::drillDir) + "...");
  if (!fs().directoryExists(paths::backupDir)) fs().createDirectory(paths::backupDir);
  if (fs().directoryExists(paths::drillDir)) fs().deleteTree(paths::drillDir);  // a drill killed earlier
  if (!fs().createDirectory(paths::drillDir)) {
    fail("a pasta temporária " + std::string(paths::drillDir) + " não pôde ser criada.");
  }
  if (checked.kind == BackupKind::dump) {
    fs().copyFile(backup, paths::drillDumpFile);
    return;
  }
  {
    zip::ZipReader reader;  // released also when an error passes
    ProgressInWindow progress;
    reader.setProgress(ProgressInWindow::report);
    reader.open(backup);
    reader.setOverwriteAlways(true);
    reader.setBaseFolder(paths::drillDir);
    reader.extract(checked.dumpEntry);  // a mask with "/" matches the whole entry name
    reader.close();
  }
  std::string extracted = std::string(paths::drillDir) + "\\" + checked.dumpEntry;
  for (char& c : extracted) {
    if (c == '/') c = '\\';
  }
  fs().moveFile(extracted, paths::drillDumpFile);
}

// The first of the four ways whose server answers; nullopt when none does.
std::optional<int> wayThatReachesTheServer() {
  for (int way = 1; way <= 4; ++way) {
    if (TRestauracao::executeCmdPg(commands::drillReachServer(way)) == ScriptExit(0)) return way;
  }
  return std::nullopt;
}

// "tables|rows", the last line that psql wrote.
std::optional<std::pair<int64_t, int64_t>> readCounts() {
  std::string text;
  try {
    text = fileText(paths::drillCountFile, 4096);
  } catch (const FileError&) {
    return std::nullopt;
  }
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  std::string last = text.substr(text.find_last_of("\r\n") == std::string::npos ? 0 : text.find_last_of("\r\n") + 1);
  long long tables = 0, rows = 0;
  char tail = 0;
  if (std::sscanf(last.c_str(), "%lld|%lld%c", &tables, &rows, &tail) != 2 || tables < 0 || rows < 0) {
    return std::nullopt;
  }
  return std::make_pair(static_cast<int64_t>(tables), static_cast<int64_t>(rows));
}

void restoreIntoTheScratchDatabase(int way) {
  logLine("Criando o banco de dados de verificação " + std::string(paths::drillDatabaseName) + "...");
  TRestauracao::executeCmdPg(commands::drillDropDatabase(way));  // one that a drill killed earlier left
  ScriptExit created = TRestauracao::executeCmdPg(commands::drillCreateDatabase(way));
  if (created != ScriptExit(0)) {
    fail("o banco de dados de verificação " + std::string(paths::drillDatabaseName) +
         " não pôde ser criado (createdb terminou com o código " + codeText(created) + ").");
  }
  logLine("Restaurando o backup no banco de dados de verificação. Aguarde, esta operação pode demorar alguns minutos...");
  const std::string log = std::string(paths::backupDir) + "\\verificacao-" + timestamp() + ".log";
  ScriptExit restored = TRestauracao::executeCmdPg(commands::drillRestore(way, log));
  if (restored != ScriptExit(0)) {
    // The log stays, for the administrator to read.
    fail("o pg_restore não restaurou o backup sem erros (código " + codeText(restored) + "); veja o registro " + log +
         ".");
  }
  if (fs().fileExists(log)) fs().deleteFile(log);
}

// Drops the scratch database and deletes the temporary folder. An error message when the scratch
// database is still there afterwards.
std::optional<std::string> cleanUp(std::optional<int> way) {
  std::optional<std::string> problem;
  try {
    if (way) {
      logLine("Apagando o banco de dados de verificação...");
      TRestauracao::executeCmdPg(commands::drillDropDatabase(*way));
      if (TRestauracao::executeCmdPg(commands::drillDatabaseGoneCheck(*way)) != ScriptExit(0)) {
        problem = "o banco de dados de verificação " + std::string(paths::drillDatabaseName) +
                  " não pôde ser apagado; apague-o no servidor PostgreSQL.";
      }
    }
  } catch (const std::exception& e) {
    problem = std::string("o banco de dados de verificação não pôde ser apagado (") + e.what() + ").";
  }
  fs().deleteTree(paths::drillDir);
  if (fs().directoryExists(paths::drillDir)) {
    logLine("A pasta temporária " + std::string(paths::drillDir) + " não pôde ser apagada por inteiro.");
  }
  return problem;
}

std::string thousands(int64_t n) {
  std::string digits = std::to_string(n), text;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += '.';
    text += digits[i];
  }
  return text;
}

DrillResult drill(const std::string& named, RunRecord& record) {
  DrillResult result;
  result.backup = backupToProve(named);
  record.setArchive(result.backup);
  logLine("Verificando o backup " + result.backup + "...");

  CheckedBackup checked;
  try {
    std::vector<std::string> places{std::string(paths::drillDir)};
    checked = checkBackupFile(result.backup, {"", "pela própria verificação", places, false});
  } catch (const std::exception& e) {
    fail(e.what());
  }

  std::optional<int> way;
  std::optional<std::string> failure;
  try {
    extractDump(result.backup, checked);
    logLine("Procurando o servidor PostgreSQL...");
    way = wayThatReachesTheServer();
    if (!way) fail("nenhuma das quatro formas de conexão dos backups alcançou um servidor PostgreSQL.");
    restoreIntoTheScratchDatabase(*way);
    logLine("Contando as tabelas e as linhas...");
    ScriptExit counted = TRestauracao::executeCmdPg(commands::drillCount(*way));
    auto counts = readCounts();
    if (counted != ScriptExit(0) || !counts) {
      fail("as tabelas do banco de dados de verificação não puderam ser contadas (psql terminou com o código " +
           codeText(counted) + ").");
    }
    result.tables = counts->first;
    result.rows = counts->second;
    if (result.tables == 0) fail("o backup restaurado não tem nenhuma tabela.");
  } catch (const DrillFailed& e) {
    failure = e.what();
  } catch (const std::exception& e) {
    failure = failedPrefix + std::string(e.what());
  }
  // The scratch database and the temporary files go, whatever happened.
  std::optional<std::string> leftBehind = cleanUp(way);
  if (failure) throw DrillFailed(*failure);
  if (leftBehind) fail(*leftBehind);

  logLine("Verificação concluída com êxito! O backup " + result.backup +
          " foi restaurado num banco de dados de verificação: " + thousands(result.tables) + " tabela(s), " +
          thousands(result.rows) + " linha(s).");
  return result;
}

}  // namespace

DrillResult runRestoreDrill(const std::string& backup) {
  return recordedRun(history::RunKind::drill, [&](RunRecord& record) { return drill(backup, record); });
}

}  // namespace tarvio
