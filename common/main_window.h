// The main window as the operations (backup, restore, login) see it: its status log, its
// file-open dialog with the chosen name, its login flag, and whether the application is shutting
// down. The presenter (TPrincipal) implements it and makes itself `Principal` while it lives.
#pragma once

#include <cstdint>
#include <string>

#include "common/status_log.h"

namespace tarvio {

// The restore run's file chooser.
class TOpenDialog {
 public:
  virtual ~TOpenDialog() = default;
  // Shows the dialog modally; true when a file was chosen (FileName is then set).
  virtual bool Execute() = 0;
  std::string FileName;  // the chosen full path, read again by each restore step that needs it
};

class TMainWindow {
 public:
  virtual ~TMainWindow() = default;
  virtual StatusLog& ListBox() = 0;
  virtual TOpenDialog& OpenDialog() = 0;
  // The login flag FisLogged, set by the authentication dialog.
  virtual bool isLogged() const = 0;
  virtual void setIsLogged(bool value) = 0;
  // True once the window has been closed and the application is shutting down.
  virtual bool terminated() = 0;
  // How far a long step (writing, checking or extracting an archive) has come: bytes done of bytes
  // to do. hideProgress() when the step is over, however it ends.
  virtual void showProgress(uint64_t done, uint64_t total) = 0;
  virtual void hideProgress() = 0;
};

// The one main window, reached by the backup and restore routines and the authentication dialog.
extern TMainWindow* Principal;

// Shows the progress of one long step while it lives, and hides it when the step ends.
class ProgressInWindow {
 public:
  ProgressInWindow() = default;
  ~ProgressInWindow() { Principal->hideProgress(); }
  ProgressInWindow(const ProgressInWindow&) = delete;
  ProgressInWindow& operator=(const ProgressInWindow&) = delete;
  // The callback to hand to the archive engine.
  static void report(uint64_t done, uint64_t total) { Principal->showProgress(done, total); }
};

}  // namespace tarvio
