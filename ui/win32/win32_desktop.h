// The desktop services of the Win32 program: the message dialog, the error box, the yes/no box,
// the file-open dialog, the message pump, the terminated flag and Explorer.
//
// Every service may be called from a worker thread (a backup or restore run, a login attempt): it
// is then run on the window thread, and the caller waits for its answer. Boxes and dialogs are
// owned by the program's window in front (the login dialog while it is open, else the main
// window), also when another program is in front; the main window's taskbar button then flashes.
#pragma once

#include <windows.h>

#include <atomic>
#include <vector>

#include "platform/desktop.h"
#include "ui/win32/ui_thread.h"

namespace tarvio::win32ui {

class Win32Desktop : public Desktop {
 public:
  // Creates the application's hidden window (titled "Tarvio Backup"), which starts Explorer and
  // leaves the taskbar button to the main window. Made on the window thread.
  explicit Win32Desktop(HINSTANCE instance);
  ~Win32Desktop() override;
  Win32Desktop(const Win32Desktop&) = delete;
  Win32Desktop& operator=(const Win32Desktop&) = delete;

  UiThread& ui() { return ui_; }
  HWND applicationWindow() const { return application_; }
  // The main window. Window thread.
  void setMainWindow(HWND window) { main_ = window; }
  // Called when the main window has been closed: the application is shutting down.
  void markTerminated() { terminated_ = true; }

  // While it lives, a modal window of the program (the login dialog) owns the boxes shown.
  // Window thread.
  class ModalWindowScope {
   public:
    ModalWindowScope(Win32Desktop& desktop, HWND window);
    ~ModalWindowScope();
    ModalWindowScope(const ModalWindowScope&) = delete;
    ModalWindowScope& operator=(const ModalWindowScope&) = delete;

   private:
    Win32Desktop& desktop_;
  };
  // The owner of a box shown now: the modal window opened last, else the main window, else the
  // hidden application window. Window thread.
  HWND boxOwner() const;
  // When another program is in front, flashes the main window's taskbar button until the program
  // comes to the front. Window thread.
  void flashIfInBackground() const;

  void showMessage(std::string_view text) override;
  void showError(std::string_view text) override;
  bool askYesNo(std::string_view caption, std::string_view text) override;
  std::optional<std::string> chooseFile(const FileDialogSettings& settings) override;
  // Handles the window thread's waiting messages; on any other thread there are none to handle.
  void processMessages() override;
  bool terminated() override { return terminated_; }
  void startExplorer(std::string_view parameters) override;

 private:
  UiThread ui_;
  HWND application_ = nullptr;
  HWND main_ = nullptr;
  std::vector<HWND> modalWindows_;
  std::atomic<bool> terminated_{false};
};

}  // namespace tarvio::win32ui
