// tarvio-backup.exe: start-up of the Win32 program and its message loop.
#include <windows.h>
#include <commctrl.h>

#include <exception>
#include <memory>
#include <string>

#include "app/command_line.h"
#include "app/error_display.h"
#include "app/principal.h"
#include "auth/autenticacao.h"
#include "backup/backup.h"
#include "platform/native.h"
#include "platform/win32/wide.h"
#include "restore/restauracao.h"
#include "ui/win32/main_window.h"
#include "ui/win32/win32_desktop.h"

using namespace tarvio;

namespace {

std::string firstArgument() {
  auto args = splitCommandLine(narrow(GetCommandLineW()));
  return args.size() > 1 ? args[1] : std::string();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);

  // The application object: its hidden window carries the title "Tarvio Backup".
  win32ui::Win32Desktop desktop(instance);
  std::unique_ptr<FileSystem> fileSystem;
  std::unique_ptr<CodePages> pages;
  std::unique_ptr<ProcessLauncher> processes;
  std::unique_ptr<Clock> clock;
  std::unique_ptr<RunLocks> runLocks;
  std::unique_ptr<ServerStatus> serverStatus;
  std::unique_ptr<EventLog> events;
  try {
    fileSystem = makeNativeFileSystem("");
    pages = makeNativeCodePages();
    processes = makeNativeProcessLauncher("", "");
    clock = makeNativeClock();
    runLocks = makeNativeRunLocks("");
    serverStatus = makeNativeServerStatus("");
    events = makeNativeEventLog();
  } catch (const std::exception&) {
    // Only a build that lacks a platform part gets here.
    installPlatform(Platform{nullptr, nullptr, nullptr, &desktop, nullptr});
    showErrorDisplay(std::current_exception());
    return 0;
  }
  installPlatform(Platform{fileSystem.get(), pages.get(), processes.get(), &desktop, clock.get(), runLocks.get(),
                           serverStatus.get(), events.get()});

  win32ui::MainWindow window(instance, desktop);
  // The runs go to a worker thread each, the window staying responsive meanwhile; the login dialog
  // runs on the window thread and sends its own requests to a worker.
  RunOperations runs{
      [&window](bool abrirExplorer) { window.runOperation([abrirExplorer] { TBackup::Executar(abrirExplorer); }); },
      [&window] { window.runOperation(TRestauracao::Executar); },
      [&window] {
        TAutenticacao dialog;  // destroyed as soon as its modal run returns, also on an error
        window.showAuthenticationDialog(dialog);
      }};
  TPrincipal principal(window, firstArgument(), runs);
  window.create(principal);
  window.runMessageLoop();
  principal.ListBox().setListener(nullptr);
  // The program sets no exit code of its own.
  return 0;
}
