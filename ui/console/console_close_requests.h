// Closing the console program: Ctrl+C, Ctrl+Break and the closing of its console (on POSIX the
// signals SIGINT, SIGQUIT, SIGHUP and SIGTERM) do what closing the Windows program's window does.
// During a backup or restore run the application is marked as shutting down and the run goes on to
// its end, which decides when it may stop; the program then ends. At any other moment it ends at
// once, with the exit code it would end with when its menu closed.
#pragma once

namespace tarvio::console {

// Installs the handlers for the program's whole life: every request is handled, not only the first.
void armCloseRequests();

// The exit code of a program closed outside a run.
void setExitCodeOnClose(int code);

// A backup or restore run, for as long as it lives.
class RunInProgress {
 public:
  RunInProgress();
  ~RunInProgress();
  RunInProgress(const RunInProgress&) = delete;
  RunInProgress& operator=(const RunInProgress&) = delete;
};

}  // namespace tarvio::console
