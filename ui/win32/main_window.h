// The main window "Tarvio Backup (v 2.0.5-181205)": draws TPrincipal and forwards its clicks.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdint>
#include <functional>

#include "app/principal.h"
#include "auth/autenticacao.h"
#include "common/status_log.h"
#include "ui/win32/win32_desktop.h"

namespace tarvio::win32ui {

class MainWindow : public PrincipalView, public StatusLog::Listener {
 public:
  MainWindow(HINSTANCE instance, Win32Desktop& desktop);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the window from its layout, centred on the primary monitor, and shows it.
  void create(TPrincipal& principal);
  // Handles window messages until the window has been destroyed.
  void runMessageLoop();

  // Runs a backup or restore run on a worker thread while the window keeps handling messages,
  // and holds back the end of the session meanwhile. Raises what the run raised.
  void runOperation(const std::function<void()>& run);
  void showAuthenticationDialog(TAutenticacao& dialog);

  // PrincipalView, from any thread.
  void buttonEnabledChanged(MainButton button, bool enabled) override;
  void progressChanged(uint64_t done, uint64_t total) override;
  void progressHidden() override;

  // StatusLog::Listener, from any thread.
  void lineAdded(const std::string& line) override;
  void lastLineSelected() override;
  void cleared() override;

 private:
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void createControls();
  void applyDpi(UINT dpi);
  void releaseImages();
  // Shows the progress bar at `position` (0 to progressRange), or hides it (a negative position).
  // Any thread: the window thread draws the latest position when it gets to it.
  void setProgress(int position);
  void drawProgress();
  // Runs one of the presenter's handlers through the error display; a close requested meanwhile
  // takes effect when the outermost handler has returned.
  void runPresenterHandler(const std::function<void()>& handler);

  HINSTANCE instance_;
  Win32Desktop& desktop_;
  TPrincipal* principal_ = nullptr;
  HWND window_ = nullptr;
  HWND statusLog_ = nullptr;
  HWND efetuar_ = nullptr;
  HWND restaurar_ = nullptr;
  HWND backups_ = nullptr;
  HWND warning_ = nullptr;
  HWND groupAcao_ = nullptr;
  HWND groupStatus_ = nullptr;
  HWND progress_ = nullptr;
  HFONT font_ = nullptr;
  HIMAGELIST images_[3] = {};
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  UINT dpi_ = 96;
  int handlersRunning_ = 0;
  int runsInProgress_ = 0;
  std::atomic<int> progressPosition_{-1};
  std::atomic<bool> progressDrawPosted_{false};
  bool activatedOnce_ = false;
};

}  // namespace tarvio::win32ui
