// The console program's handlers of Ctrl+C, Ctrl+Break and the closing of its console.
#include "ui/console/console_close_requests.h"

#include <atomic>
#include <cstdio>

#include "ui/console/console_desktop.h"
#include "ui/console/console_io.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace tarvio::console {

namespace {

std::atomic<int> runsInProgress{0};
std::atomic<int> exitCodeOnClose{0};

#ifdef _WIN32

HANDLE noRunInProgress = nullptr;  // set while no run is in progress
DWORD inputModeAtStart = 0;
bool inputIsConsole = false;

BOOL WINAPI onConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      break;
    default:
      return FALSE;
  }
  ConsoleDesktop::requestTermination();
  if (runsInProgress.load() > 0) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
    // The console is going away: Windows ends the program when this handler returns, or once its
    // time limit for closing has passed. Until then the run is given the time to end.
    WaitForSingleObject(noRunInProgress, INFINITE);
    return TRUE;
  }
  // A password prompt may have switched the echo off.
  if (inputIsConsole) SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), inputModeAtStart);
  std::fflush(stdout);
  restoreConsoleCodePages();
  // Not ExitProcess: the main thread may hold the runtime's input lock in a read, which the
  // runtime's clean-up would wait for.
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exitCodeOnClose.load()));
  return TRUE;
}

#else

termios terminalAtStart{};
bool inputIsTerminal = false;
bool outputIsTerminal = false;

extern "C" void onCloseSignal(int) {
  ConsoleDesktop::requestTermination();
  if (runsInProgress.load() > 0) return;
  // Only what a signal handler may do: a password prompt may have switched the echo off.
  if (inputIsTerminal) tcsetattr(STDIN_FILENO, TCSANOW, &terminalAtStart);
  if (outputIsTerminal) {
    const char newline = '\n';
    if (write(STDOUT_FILENO, &newline, 1) < 0) {
      // Nothing more to do about it.
    }
  }
  _exit(exitCodeOnClose.load());
}

#endif

}  // namespace

void armCloseRequests() {
#ifdef _WIN32
  noRunInProgress = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  inputIsConsole = GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &inputModeAtStart) != 0;
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
#else
  inputIsTerminal = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &terminalAtStart) == 0;
  outputIsTerminal = isatty(STDOUT_FILENO) != 0;
  struct sigaction action {};
  action.sa_handler = onCloseSignal;
  // Interrupted reads and writes of the run go on; the handler stays installed; while it runs, the
  // other requests wait.
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGQUIT, SIGHUP, SIGTERM}) sigaddset(&action.sa_mask, signal);
  for (int signal : {SIGINT, SIGQUIT, SIGHUP, SIGTERM}) sigaction(signal, &action, nullptr);
#endif
}

void setExitCodeOnClose(int code) { exitCodeOnClose.store(code); }

RunInProgress::RunInProgress() {
#ifdef _WIN32
  if (runsInProgress.fetch_add(1) == 0 && noRunInProgress) ResetEvent(noRunInProgress);
#else
  runsInProgress.fetch_add(1);
#endif
}

RunInProgress::~RunInProgress() {
#ifdef _WIN32
  if (runsInProgress.fetch_sub(1) == 1 && noRunInProgress) SetEvent(noRunInProgress);
#else
  runsInProgress.fetch_sub(1);
#endif
}

}  // namespace tarvio::console
