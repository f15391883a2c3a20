// The second copy of an archive.
#include "backup/archive_copy.h"

#include <vector>

#include "backup/recorded_run.h"
#include "common/main_window.h"
#include "common/path_text.h"
#include "common/paths.h"
#include "platform/platform.h"
#include "zip/zip_reader.h"

namespace tarvio {

namespace {

constexpr size_t chunkBytes = 1 << 20;

[[noreturn]] void fail(const std::string& why) { throw CopyFailed("A cópia falhou: " + why); }

void logLine(const std::string& line) { Principal->ListBox().addAndSelectLast(line); }

// Copies the bytes, showing the progress; the temporary file goes when anything fails.
void copyBytes(const std::string& from, const std::string& to) {
  try {
    auto in = fs().openRead(from);
    auto out = fs().createFile(to);
    auto total = static_cast<uint64_t>(std::max<int64_t>(in->size(), 0));
    ProgressInWindow progress;
    std::vector<char> buffer(chunkBytes);
    uint64_t done = 0;
    while (done < total) {
      size_t n = in->readAt(done, buffer.data(), buffer.size());
      if (n == 0) break;
      out->write(buffer.data(), n);
      done += n;
      ProgressInWindow::report(done, total);
    }
    out->close();
  } catch (const std::exception& e) {
    fs().deleteFile(to);
    fail(e.what());
  }
}

void readBack(const std::string& copy, int64_t expectedBytes) {
  try {
    if (fs().fileSize(copy) != expectedBytes) {
      throw std::runtime_error("a cópia tem " + std::to_string(fs().fileSize(copy)) + " bytes e o backup " +
                               std::to_string(expectedBytes));
    }
    zip::ZipReader reader;
    ProgressInWindow progress;
    reader.setProgress(ProgressInWindow::report);
    reader.open(copy);
    reader.verify();
    reader.close();
  } catch (const std::exception& e) {
    fs().deleteFile(copy);
    fail("a cópia " + copy + " não confere com o backup quando lida de volta (" + e.what() + "); ela foi apagada.");
  }
}

std::string copy(const std::string& archive, const std::string& folder, RunRecord& record) {
  const std::string target = pathInFolder(folder, lastPathPart(archive));
  record.setArchive(target);
  logLine("Copiando o backup para " + folder + "...");
  if (!fs().directoryExists(folder)) fail("a pasta " + folder + " não existe ou não pode ser alcançada.");
  auto there = fs().identity(folder);
  if (there && there == fs().identity(paths::backupDir)) {
    fail("a pasta " + folder + " é a própria pasta dos backups; escolha outro disco ou uma pasta da rede.");
  }
  const int64_t bytes = fs().fileSize(archive);
  if (bytes < 0) fail("o backup " + archive + " não foi encontrado.");

  const std::string temporary = target + ".tmp";
  if (fs().fileExists(temporary)) fs().deleteFile(temporary);  // a copy of this archive killed earlier
  copyBytes(archive, temporary);
  try {
    fs().renameReplacing(temporary, target);
  } catch (const std::exception& e) {
    fs().deleteFile(temporary);
    fail(e.what());
  }
  readBack(target, bytes);
  logLine("Cópia conferida: " + target + ".");
  return target;
}

}  // namespace

std::string copyArchive(const std::string& archive, const std::string& folder) {
  return recordedRun(history::RunKind::copy, [&](RunRecord& record) { return copy(archive, folder, record); });
}

}  // namespace tarvio
