// The desktop services of the Win32 program: the message dialog, the error box, the yes/no box,
// the file-open dialog, the message pump, the terminated flag and Explorer.
#pragma once

#include <windows.h>

#include "platform/desktop.h"

namespace tarvio::win32ui {

class Win32Desktop : public Desktop {
 public:
  // Creates the application's hidden window (titled "Tarvio Backup"), which owns the yes/no
  // boxes and Explorer's start, and leaves the taskbar button to the main window.
  explicit Win32Desktop(HINSTANCE instance);
  ~Win32Desktop() override;
  Win32Desktop(const Win32Desktop&) = delete;
  Win32Desktop& operator=(const Win32Desktop&) = delete;

  HWND applicationWindow() const { return application_; }
  // The main window, whose keyboard navigation the message pump serves.
  void setMainWindow(HWND window) { main_ = window; }
  // Called when the main window has been closed: the application is shutting down.
  void markTerminated() { terminated_ = true; }

  void showMessage(std::string_view text) override;
  void showError(std::string_view text) override;
  bool askYesNo(std::string_view caption, std::string_view text) override;
  std::optional<std::string> chooseFile(const FileDialogSettings& settings) override;
  void processMessages() override;
  bool terminated() override { return terminated_; }
  void startExplorer(std::string_view parameters) override;

 private:
  HWND application_ = nullptr;
  HWND main_ = nullptr;
  bool terminated_ = false;
};

}  // namespace tarvio::win32ui
