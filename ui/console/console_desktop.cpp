// Boxes and dialogs of the console rendition.
#include "ui/console/console_desktop.h"

#include "app/principal.h"
#include "common/paths.h"
#include "ui/console/console_io.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include "platform/win32/wide.h"
#else
#include "platform/posix/drive_path.h"
#endif

namespace tarvio::console {

namespace {

std::atomic<bool> terminationRequested{false};

void printBox(std::string_view caption, std::string_view text) {
  printLine("");
  printLine(std::string("== ") + std::string(caption) + " ==");
  // The box's text may hold several lines separated by CR LF.
  std::string body(text);
  std::string line;
  for (char c : body) {
    if (c == '\r') continue;
    if (c == '\n') {
      printLine(line);
      line.clear();
    } else {
      line += c;
    }
  }
  printLine(line);
}

}  // namespace

void ConsoleDesktop::showMessage(std::string_view text) {
  printBox(principal_text::applicationTitle, text);
  if (unattended_) return;
  prompt("[OK] ");
  readLine();
}

void ConsoleDesktop::showError(std::string_view text) {
  printBox(std::string(principal_text::applicationTitle) + " (erro)", text);
  if (unattended_) return;
  prompt("[OK] ");
  readLine();
}

bool ConsoleDesktop::askYesNo(std::string_view caption, std::string_view text) {
  printBox(caption, text);
  if (unattended_) {
    printLine("[s = Sim / N = Não] N (sem perguntas: a resposta padrão)");
    return false;
  }
  prompt("[s = Sim / N = Não] ");
  auto answer = readLine();
  return answer && (*answer == "s" || *answer == "S");
}

std::optional<std::string> ConsoleDesktop::chooseFile(const FileDialogSettings& settings) {
  if (unattended_) return std::nullopt;
  std::string filters;
  for (const auto& f : settings.filters) {
    if (!filters.empty()) filters += "; ";
    filters += f.description + " (" + f.pattern + ")";
  }
  printBox(settings.title, filters);
  prompt("Arquivo (linha vazia cancela): ");
  auto line = readLine();
  if (!line || line->empty()) return std::nullopt;
  return line;
}

bool ConsoleDesktop::terminated() { return terminationRequested.load(); }

void ConsoleDesktop::requestTermination() { terminationRequested.store(true); }

void ConsoleDesktop::startExplorer(std::string_view parameters) {
  if (unattended_) return;  // nobody to look at it; under a scheduler it would outlive the program
#ifdef _WIN32
  ShellExecuteW(nullptr, nullptr, widen(paths::explorerExe).c_str(), widen(parameters).c_str(), nullptr,
                SW_SHOWNORMAL);
  printLine("[Explorer: " + std::string(paths::explorerExe) + " " + std::string(parameters) + "]");
#else
  // There is no Explorer here: say what it would have opened, and where that folder lies.
  printLine("[Explorer: " + std::string(paths::explorerExe) + " " + std::string(parameters) + " (não há Explorer neste sistema; pasta " +
            toHostPath(paths::backupDir, driveC_) + ")]");
#endif
}

}  // namespace tarvio::console
