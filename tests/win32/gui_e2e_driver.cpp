// Works tarvio-backup.exe through its windows for a real backup and a real restore under Wine: the
// drive, the database servers and the client programs are laid out by gui_e2e.sh, which also checks
// the archive and the database. Usage:
//   gui_e2e_driver APP.exe SHOT-REQUEST-FOLDER backup            (prints "archive: C:\...zip")
//   gui_e2e_driver APP.exe SHOT-REQUEST-FOLDER restore ARCHIVE   (prints "safety archive: C:\...zip")
//   gui_e2e_driver APP.exe SHOT-REQUEST-FOLDER failing-restore DUMP  (the same, for a restore that fails)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "gui_driver_kit.h"
#include "ui/win32/control_ids.h"

using namespace guitest;
namespace ids = tarvio::win32ui::ids;
using tarvio::win32ui::mainWindowClass;

namespace {

const wchar_t* const dumpFile = L"C:\\Meridano\\Tarvio\\backup\\tarvio.backup";
const std::wstring successLinePrefix = L"Backup efetuado com êxito! Disponível em " + archivePrefix;
constexpr int windowTimeoutMs = 30000;
// A whole dump and archive, or a whole restore, on a loaded machine: generous bounds, only there so
// that a hung run ends the test.
constexpr int backupTimeoutMs = 240000;
constexpr int restoreTimeoutMs = 360000;
constexpr int pollMs = 100;

std::wstring appExe;
std::wstring shots;

bool startsWith(const std::wstring& s, const std::wstring& prefix) { return s.rfind(prefix, 0) == 0; }
bool endsWith(const std::wstring& s, const std::wstring& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// "C:\Meridano\Tarvio\backup\tarvio-YYYYMMDD-HHMMSS.zip" and nothing else.
bool isArchiveName(const std::wstring& path) {
  if (!startsWith(path, archivePrefix) || !endsWith(path, L".zip")) return false;
  std::wstring stamp = path.substr(archivePrefix.size(), path.size() - archivePrefix.size() - 4);
  if (stamp.size() != 15 || stamp[8] != L'-') return false;
  for (size_t i = 0; i < stamp.size(); ++i) {
    if (i != 8 && (stamp[i] < L'0' || stamp[i] > L'9')) return false;
  }
  return true;
}

// The archive named by a success line of the status log ("...Disponível em NAME.zip."), or "".
std::wstring archiveOfSuccessLine(const std::wstring& line) {
  const std::wstring head = L"Backup efetuado com êxito! Disponível em ";
  if (!startsWith(line, head) || !endsWith(line, L".")) return {};
  std::wstring name = line.substr(head.size(), line.size() - head.size() - 1);
  return isArchiveName(name) ? name : std::wstring();
}

std::string joined(const std::vector<std::wstring>& lines) {
  std::string out;
  for (const auto& l : lines) out += "[" + narrow(l) + "]";
  return out;
}

// Follows the status log as it grows: prints each new line once, and remembers every line that was
// the last one at some look.
struct LogWatcher {
  HWND log;
  std::vector<std::wstring> lines;
  std::vector<std::wstring> lastLines;

  void poll() {
    auto now = listLines(log);
    if (now == lines) return;
    size_t same = 0;
    while (same < now.size() && same < lines.size() && now[same] == lines[same]) ++same;
    for (size_t i = same; i < now.size(); ++i) std::printf("# log %zu: %s\n", i, narrow(now[i]).c_str());
    std::fflush(stdout);
    lines = now;
    if (!lines.empty() && (lastLines.empty() || lastLines.back() != lines.back())) lastLines.push_back(lines.back());
  }
  bool wasLast(const std::wstring& line) const {
    for (const auto& l : lastLines) {
      if (l == line) return true;
    }
    return false;
  }
  bool lastIsSelected() const {
    return !lines.empty() && selectedLine(log) == static_cast<int>(lines.size()) - 1;
  }
};

// Any message box or dialog of the process other than the file-open dialog.
HWND anyBox(DWORD pid) { return findWindow(pid, boxClass, nullptr); }

// Reports a box that the run was not meant to show, takes its picture and closes it (No where it
// asks, so that a restore stops before it changes anything).
void reportUnexpectedBox(HWND main, HWND box, const std::wstring& shotName) {
  check(false, "unexpected box \"" + narrow(text(box)) + "\": " + narrow(text(GetDlgItem(box, staticTextId))));
  shoot(shots, shotName, {main, box});
  PostMessageW(box, WM_COMMAND, GetDlgItem(box, IDNO) ? IDNO : IDOK, 0);
  waitGone(box, windowTimeoutMs);
}

HWND startAndFind(App& app, const std::wstring& arguments) {
  app = startApp(appExe, arguments, installRoot);
  if (!check(app.process.hProcess != nullptr, "the program starts with arguments [" + narrow(arguments) + "]")) {
    return nullptr;
  }
  HWND main = waitForWindow(app.process.dwProcessId, mainWindowClass, nullptr, windowTimeoutMs);
  check(main != nullptr, "the main window appears");
  return main;
}

// "backup" on the command line: the dump, the archive, the message dialog, Explorer.
void scenarioBackup() {
  App app;
  HWND main = startAndFind(app, L"backup");
  if (!main) return;
  const DWORD pid = app.process.dwProcessId;
  LogWatcher watch{GetDlgItem(main, ids::statusLog), {}, {}};

  HWND box = nullptr;
  for (int waited = 0; waited < backupTimeoutMs && app.running(); waited += pollMs) {
    watch.poll();
    if ((box = findWindow(pid, boxClass, L"Tarvio Backup"))) break;
    Sleep(pollMs);
  }
  check(watch.wasLast(L"Aguarde, efetuando backup..."),
        "while the dump ran the log showed \"Aguarde, efetuando backup...\" as its last line");
  if (!check(box != nullptr, "the run ends in a message dialog \"Tarvio Backup\"")) {
    app.close(main);
    return;
  }
  const std::wstring said = text(GetDlgItem(box, staticTextId));
  std::printf("# the dialog says: %s\n", narrow(said).c_str());
  const std::wstring archive = said.substr(std::min(said.size(), successBoxPrefix.size() - archivePrefix.size()));
  check(startsWith(said, successBoxPrefix) && isArchiveName(archive),
        "the dialog reads \"Backup efetuado com êxito! Dispinível em C:\\Meridano\\Tarvio\\backup\\tarvio-"
        "YYYYMMDD-HHMMSS.zip\"");
  shoot(shots, L"e2e-backup-message", {main, box});
  watch.poll();
  check(!watch.lines.empty() && watch.lines.back() == L"Backup efetuado com êxito! Disponível em " + archive + L"." &&
            watch.lastIsSelected(),
        "under the dialog the log's selected last line is the success line with the same name and a final \".\"");

  click(GetDlgItem(box, IDOK));
  check(waitGone(box, windowTimeoutMs), "OK closes the dialog");
  for (int waited = 0; waited < windowTimeoutMs && (watch.lines.empty() || watch.lines.back() != L"Fim...");
       waited += pollMs) {
    Sleep(pollMs);
    watch.poll();
  }
  const std::vector<std::wstring> expected = {
      L"Iniciando método 1 de backup...", L"Aguarde, efetuando backup...",
      L"Backup efetuado com êxito! Disponível em " + archive + L".", L"Fim..."};
  check(watch.lines == expected, "the log: " + joined(watch.lines));
  check(watch.lastIsSelected(), "\"Fim...\" is the selected line");
  check(fileExists(archive), "the archive exists: " + narrow(archive));

  HWND explorer = waitForWindow(0, L"ExplorerWClass", nullptr, windowTimeoutMs);
  if (check(explorer != nullptr, "an Explorer window opens")) {
    std::printf("# Explorer's caption: %s\n", narrow(text(explorer)).c_str());
    shoot(shots, L"e2e-backup-explorer", {explorer});
    PostMessageW(explorer, WM_CLOSE, 0, 0);
    check(waitGone(explorer, windowTimeoutMs), "the Explorer window closes");
  }
  for (int waited = 0; waited < windowTimeoutMs && fileExists(dumpFile); waited += pollMs) Sleep(pollMs);
  check(!fileExists(dumpFile), "the dump file is gone");
  check(IsWindow(main) && IsWindowVisible(main) && IsWindowEnabled(GetDlgItem(main, ids::efetuarBackup)),
        "the main window stays open, its buttons enabled");
  check(app.close(main) == 0, "closing the main window ends the program with exit code 0");
  std::printf("archive: %s\n", narrow(archive).c_str());
}

void scenarioRestore(const std::wstring& archive) {
  App app;
  HWND main = startAndFind(app, L"");
  if (!main) return;
  const DWORD pid = app.process.dwProcessId;
  LogWatcher watch{GetDlgItem(main, ids::statusLog), {}, {}};
  if (!startRestore(pid, main, archive, shots, L"e2e-restore-file-dialog")) {
    app.close(main);
    return;
  }

  bool ended = false;
  for (int waited = 0; waited < restoreTimeoutMs && app.running(); waited += pollMs) {
    watch.poll();
    if ((ended = !watch.lines.empty() && watch.lines.back() == restoreEndLine && watch.lastIsSelected())) break;
    if (HWND other = anyBox(pid)) {
      reportUnexpectedBox(main, other, L"e2e-restore-unexpected-box");
      break;
    }
    Sleep(pollMs);
  }
  check(ended, "the log's selected last line is \"" + narrow(restoreEndLine) + "\"");
  shoot(shots, L"e2e-restore-done", {main});

  // The whole log, the safety backup's lines with a name of their own.
  const auto& lines = watch.lines;
  const std::wstring safety = lines.size() > 3 ? archiveOfSuccessLine(lines[3]) : std::wstring();
  const std::vector<std::wstring> expected = {
      L"Realizando Backup de Segurança Antes da Restauração...",
      L"Iniciando método 1 de backup...",
      L"Aguarde, efetuando backup...",
      L"Backup efetuado com êxito! Disponível em " + safety + L".",
      L"Parando o Tarvio Server...",
      L"Matando possíveis conexões ao banco de dados...",
      L"Destruindo o banco de dados existente...",
      L"Criando um novo o banco de dados...",
      L"Descompactando o Arquivo de Backup...",
      L"Restaurando o Banco de Dados. Aguarde, esta operação pode demorar alguns minutos...",
      L"Banco de Dados Restaurado!",
      L"Iniciando o Tarvio Server...",
      restoreEndLine};
  check(!safety.empty() && safety != archive && lines == expected, "the restore's log: " + joined(lines));
  check(fileExists(safety), "the safety archive exists: " + narrow(safety));
  check(anyBox(pid) == nullptr, "no box is left open");
  check(IsWindowEnabled(GetDlgItem(main, ids::efetuarBackup)) && IsWindowEnabled(GetDlgItem(main, ids::restaurarBackup)),
        "the buttons are enabled again");
  check(app.close(main) == 0, "closing the main window ends the program with exit code 0");
  std::printf("safety archive: %s\n", narrow(safety).c_str());
}

// A restore from a dump that pg_restore rejects (cut in half): after the drop, the truth. The error
// box says the restore failed and names this run's safety archive; the closing lines are not
// written; the server is started again.
void scenarioFailingRestore(const std::wstring& dump) {
  App app;
  HWND main = startAndFind(app, L"");
  if (!main) return;
  const DWORD pid = app.process.dwProcessId;
  LogWatcher watch{GetDlgItem(main, ids::statusLog), {}, {}};
  if (!startRestore(pid, main, dump, shots, L"e2e-failing-restore-file-dialog")) {
    app.close(main);
    return;
  }
  HWND box = nullptr;
  for (int waited = 0; waited < restoreTimeoutMs && app.running() && !box; waited += pollMs) {
    box = findWindow(pid, boxClass, L"Tarvio Backup");
    if (!box) Sleep(pollMs);
  }
  const std::wstring said = box ? text(GetDlgItem(box, staticTextId)) : L"";
  watch.poll();
  const auto& lines = watch.lines;
  const std::wstring safety = lines.size() > 3 ? archiveOfSuccessLine(lines[3]) : std::wstring();
  if (check(box != nullptr, "an error box ends the failed restore")) shoot(shots, L"e2e-failing-restore-error", {main, box});
  check(startsWith(said, L"A restauração falhou: o pg_restore "), "the box says the restore failed: " + narrow(said));
  check(!safety.empty() && said.find(safety) != std::wstring::npos, "the box names the safety archive " + narrow(safety));
  check(said.find(L"veja o registro C:\\Meridano\\Tarvio\\backup\\pg_restore-") != std::wstring::npos,
        "the box names pg_restore's log");
  check(std::find(lines.begin(), lines.end(), L"Banco de Dados Restaurado!") == lines.end() &&
            !lines.empty() && lines.back() == L"Iniciando o Tarvio Server...",
        "no closing lines, the server started again: " + joined(lines));
  if (box) {
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    check(waitGone(box, windowTimeoutMs), "OK closes the error box");
  }
  check(app.close(main) == 0, "closing the main window ends the program with exit code 0");
  std::printf("safety archive: %s\n", narrow(safety).c_str());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  const std::wstring mode = argc > 3 ? argv[3] : L"";
  if (!((mode == L"backup" && argc == 4) || ((mode == L"restore" || mode == L"failing-restore") && argc == 5))) {
    std::fprintf(stderr, "usage: gui_e2e_driver APP.exe SHOT-REQUEST-FOLDER backup | restore ARCHIVE | "
                         "failing-restore DUMP\n");
    return 2;
  }
  appExe = argv[1];
  shots = argv[2];
  if (mode == L"backup") {
    scenarioBackup();
  } else if (mode == L"restore") {
    scenarioRestore(argv[4]);
  } else {
    scenarioFailingRestore(argv[4]);
  }
  std::printf("%d check(s) failed\n", failures());
  return failures() == 0 ? 0 : 1;
}
