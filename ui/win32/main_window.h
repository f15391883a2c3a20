// The main window "Tarvio Backup (v 2.0.5-181205)": draws TPrincipal and forwards its clicks.
#pragma once

#include <windows.h>
#include <commctrl.h>

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

  // PrincipalView
  void buttonEnabledChanged(MainButton button, bool enabled) override;
  void showAuthenticationDialog(TAutenticacao& dialog);

  // StatusLog::Listener
  void lineAdded(const std::string& line) override;
  void lastLineSelected() override;
  void cleared() override;

 private:
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void createControls();
  void applyDpi(UINT dpi);
  void releaseImages();
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
  HFONT font_ = nullptr;
  HIMAGELIST images_[3] = {};
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  UINT dpi_ = 96;
  int handlersRunning_ = 0;
  bool activatedOnce_ = false;
};

}  // namespace tarvio::win32ui
