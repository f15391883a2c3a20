// tarvio-backup on a text console: the main window as a menu, boxes and dialogs as prompts.
#include <cstdlib>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/error_display.h"
#include "app/principal.h"
#include "auth/autenticacao.h"
#include "backup/backup.h"
#include "history/run_history.h"
#include "platform/native.h"
#include "restore/restauracao.h"
#include "ui/console/console_close_requests.h"
#include "ui/console/console_command.h"
#include "ui/console/console_desktop.h"
#include "ui/console/console_io.h"
#include "ui/console/console_runs.h"
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
// The arguments after the program's name, as UTF-8.
std::vector<std::string> programArguments(int, char**) {
  auto args = splitCommandLine(narrow(GetCommandLineW()));
  if (!args.empty()) args.erase(args.begin());
  return args;
}
constexpr const char* programName = "tarvio-backup-cli";
#else
std::vector<std::string> programArguments(int argc, char** argv) { return {argv + 1, argv + argc}; }
constexpr const char* programName = "tarvio-backup";

// The command interpreter stand-in lies beside this program.
std::string interpreterBesideMe() {
  std::string self(4096, '\0');
  ssize_t n = readlink("/proc/self/exe", self.data(), self.size() - 1);
  if (n <= 0) return "tarvio-cmd";
  self.resize(static_cast<size_t>(n));
  return self.substr(0, self.rfind('/') + 1) + "tarvio-cmd";
}
#endif

}  // namespace

int main(int argc, char** argv) {
  console::Utf8Console utf8;
  // Bad usage is told before anything runs.
  const console::ConsoleCommand command = console::parseConsoleCommand(programArguments(argc, argv));
  if (command.kind == console::ConsoleCommand::Kind::help) {
    console::printLine(principal_text::caption);
    for (const auto& line : console::helpLines(programName)) console::printLine(line);
    return console::exit_code::success;
  }
  if (!command.usageError.empty()) {
    console::printLine(std::string(programName) + ": " + command.usageError);
    console::printLine(std::string("Veja os comandos e as opções com: ") + programName + " --help");
    return console::exit_code::badUsage;
  }

  std::string driveC;
  std::string interpreter;
  EnvironmentSettings scriptSettings;
#ifndef _WIN32
  const char* drive = std::getenv(driveVariable);
  struct stat st {};
  if (!drive || !*drive || stat(drive, &st) != 0 || !S_ISDIR(st.st_mode)) {
    console::printLine(std::string("tarvio-backup: the environment variable ") + driveVariable +
                       " must name the folder that stands for drive C:\\ (" +
                       (drive && *drive ? std::string("\"") + drive + "\" is not a folder" : "it is not set") +
                       ").");
    return console::exit_code::badUsage;
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
  // The console's commands are its own; the window's start-up argument is not used here.
  TPrincipal principal(window, "", runs);
  principal.ListBox().setListener(&window);

  if (command.kind != console::ConsoleCommand::Kind::menu) {
    // Started as a scheduler starts it: nobody answers, so nothing is asked.
    desktop.setUnattended(true);
    history::setRunOrigin(history::RunOrigin::commandLine);
    // Closed before its run began, the command did not do its work.
    console::setExitCodeOnClose(command.kind == console::ConsoleCommand::Kind::backup   ? console::exit_code::backupFailed
                                : command.kind == console::ConsoleCommand::Kind::verify ? console::exit_code::drillFailed
                                                                                        : console::exit_code::success);
    console::printLine(principal_text::caption);
    return console::runConsoleCommand(command);
  }
  history::setRunOrigin(history::RunOrigin::consoleMenu);
  window.show(principal);
  window.runMenu(principal);
  return console::exit_code::success;
}
