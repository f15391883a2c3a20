// tarvio-backup on a text console: the main window as a menu, boxes and dialogs as prompts.
#include <cstdlib>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/error_display.h"
#include "app/principal.h"
#include "auth/autenticacao.h"
#include "backup/backup.h"
#include "platform/native.h"
#include "restore/restauracao.h"
#include "ui/console/console_close_requests.h"
#include "ui/console/console_desktop.h"
#include "ui/console/console_io.h"
#include "ui/console/console_window.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/wide.h"
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace tarvio;

namespace {

constexpr const char* driveVariable = "TARVIO_DRIVE_C";

#ifdef _WIN32
std::string firstArgument(int, char**) {
  auto args = splitCommandLine(narrow(GetCommandLineW()));
  return args.size() > 1 ? args[1] : "";
}
#else
std::string firstArgument(int argc, char** argv) { return argc > 1 ? argv[1] : ""; }

// The command interpreter stand-in lies beside this program.
std::string interpreterBesideMe() {
  std::string self(4096, '\0');
  ssize_t n = readlink("/proc/self/exe", self.data(), self.size() - 1);
  if (n <= 0) return "tarvio-cmd";
  self.resize(static_cast<size_t>(n));
  return self.substr(0, self.rfind('/') + 1) + "tarvio-cmd";
}
#endif

// A backup run succeeded when it wrote its success line.
bool logShowsBackupSuccess(const StatusLog& log) {
  for (const auto& line : log.lines()) {
    if (line.rfind("Backup efetuado com êxito!", 0) == 0) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  std::string driveC;
  std::string interpreter;
  EnvironmentSettings scriptSettings;
#ifdef _WIN32
  SetConsoleOutputCP(CP_UTF8);
  SetConsoleCP(CP_UTF8);
#else
  const char* drive = std::getenv(driveVariable);
  struct stat st {};
  if (!drive || !*drive || stat(drive, &st) != 0 || !S_ISDIR(st.st_mode)) {
    console::printLine(std::string("tarvio-backup: the environment variable ") + driveVariable +
                       " must name the folder that stands for drive C:\\ (" +
                       (drive && *drive ? std::string("\"") + drive + "\" is not a folder" : "it is not set") +
                       ").");
    return 2;
  }
  driveC = drive;
  interpreter = interpreterBesideMe();
  // The scripts get none of the machine's PG* settings. PostgreSQL's clients then connect to
  // localhost, as they do by default on Windows; on Linux their default is a Unix socket.
  scriptSettings = {{"PGHOST", "localhost"}};
#endif
  console::armCloseRequests();

  auto fileSystem = makeNativeFileSystem(driveC);
  auto pages = makeNativeCodePages();
  auto processes = makeNativeProcessLauncher(driveC, interpreter, scriptSettings);
  auto clock = makeNativeClock();
  auto runLocks = makeNativeRunLocks(driveC);
  auto serverStatus = makeNativeServerStatus(driveC);
  auto events = makeNativeEventLog();
  console::ConsoleDesktop desktop(driveC);
  installPlatform(Platform{fileSystem.get(), pages.get(), processes.get(), &desktop, clock.get(), runLocks.get(),
                           serverStatus.get(), events.get()});

  std::string first = firstArgument(argc, argv);
  console::ConsoleWindow window;
  RunOperations runs{[](bool abrirExplorer) {
                       console::RunInProgress running;
                       TBackup::Executar(abrirExplorer);
                     },
                     [] {
                       console::RunInProgress running;
                       TRestauracao::Executar();
                     },
                     [&window] {
    TAutenticacao dialog;  // destroyed as soon as its modal run returns, also on an error
    window.showAuthenticationDialog(dialog);
  }};
  TPrincipal principal(window, first, runs);
  principal.ListBox().setListener(&window);
  window.show(principal);

  bool startedForBackup = isBackupArgument(first);
  console::setExitCodeOnClose(startedForBackup ? 1 : 0);
  bool ranCleanly = runHandler([&] { principal.FormActivate(); });
  bool backupSucceeded = ranCleanly && logShowsBackupSuccess(principal.ListBox());
  console::setExitCodeOnClose(startedForBackup && !backupSucceeded ? 1 : 0);

  window.runMenu(principal);
  return startedForBackup && !backupSucceeded ? 1 : 0;
}
