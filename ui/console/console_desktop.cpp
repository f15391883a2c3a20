// Boxes and dialogs of the console rendition.
#include "ui/console/console_desktop.h"

#include "app/paths.h"
#include "app/principal.h"
#include "ui/console/console_io.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
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
  prompt("[OK] ");
  readLine();
}

void ConsoleDesktop::showError(std::string_view text) {
  printBox(std::string(principal_text::applicationTitle) + " (erro)", text);
  prompt("[OK] ");
  readLine();
}

bool ConsoleDesktop::askYesNo(std::string_view caption, std::string_view text) {
  printBox(caption, text);
  prompt("[s = Sim / N = Não] ");
  auto answer = readLine();
  return answer && (*answer == "s" || *answer == "S");
}

std::optional<std::string> ConsoleDesktop::chooseFile(const FileDialogSettings& settings) {
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
#ifdef _WIN32
  std::wstring wide(parameters.size(), L'\0');
  int n = MultiByteToWideChar(CP_UTF8, 0, parameters.data(), static_cast<int>(parameters.size()),
                              wide.data(), static_cast<int>(wide.size()));
  wide.resize(n > 0 ? static_cast<size_t>(n) : 0);
  ShellExecuteW(nullptr, nullptr, L"explorer.exe", wide.c_str(), nullptr, SW_SHOWNORMAL);
  printLine("[Explorer: explorer.exe " + std::string(parameters) + "]");
#else
  // There is no Explorer here: say what it would have opened, and where that folder lies.
  printLine("[Explorer: explorer.exe " + std::string(parameters) + " (não há Explorer neste sistema; pasta " +
            toHostPath(paths::backupDir, driveC_) + ")]");
#endif
}

}  // namespace tarvio::console
