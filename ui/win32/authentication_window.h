// The authentication dialog "Autenticação": draws TAutenticacao and runs it modally.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <optional>

#include "auth/autenticacao.h"
#include "ui/win32/win32_desktop.h"

namespace tarvio::win32ui {

// Created for one modal run and destroyed afterwards.
class AuthenticationWindow : public AutenticacaoView {
 public:
  AuthenticationWindow(HINSTANCE instance, HWND mainWindow, TAutenticacao& dialog,
                       Win32Desktop& desktop);
  ~AuthenticationWindow() override;
  AuthenticationWindow(const AuthenticationWindow&) = delete;
  AuthenticationWindow& operator=(const AuthenticationWindow&) = delete;

  // Shows the dialog, owned by the main window and centred over it (on the main window's monitor
  // when that is minimized), with every other window of the program disabled, and returns once it
  // has closed.
  void runModal();
  // The modal result: 8 after "Cancelar" or Esc, 2 (cancel) after any other closing.
  int modalResult() const { return modalResult_; }

  // AutenticacaoView, from any thread: a login attempt runs on a worker.
  std::string userText() override;
  std::string passwordText() override;
  void setUserText(std::string_view text) override;
  void setPasswordText(std::string_view text) override;
  void focusUser() override;
  void close() override;

 private:
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void createWindow();
  void createControls();
  // Font, control positions and pictures for the DPI.
  void applyDpi(UINT dpi);
  void releasePictures();
  void placeOnScreen();
  // One login attempt ("OK" or Enter): bbOKClick on a worker thread, the dialog answering meanwhile.
  void attempt();
  // "Cancelar", Esc or the close box: during an attempt, acted on when the attempt has ended.
  void requestClose(int modalResult);
  void closeWith(int modalResult);

  HINSTANCE instance_;
  HWND mainWindow_;
  TAutenticacao& dialog_;
  Win32Desktop& desktop_;
  HWND window_ = nullptr;
  HWND group_ = nullptr;
  HWND userLabel_ = nullptr;
  HWND user_ = nullptr;
  HWND passwordLabel_ = nullptr;
  HWND password_ = nullptr;
  HWND ok_ = nullptr;
  HWND cancel_ = nullptr;
  HWND image_ = nullptr;
  HFONT font_ = nullptr;
  HICON picture_ = nullptr;
  HIMAGELIST glyphs_[2] = {};
  UINT dpi_ = 96;
  int modalResult_ = 0;
  bool closed_ = false;
  bool attemptRunning_ = false;
  std::optional<int> closeRequested_;
};

}  // namespace tarvio::win32ui
