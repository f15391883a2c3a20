// The authentication dialog "Autenticação": draws TAutenticacao and runs it modally.
#pragma once

#include <windows.h>
#include <commctrl.h>

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

  // Shows the dialog centred over the main window, with every other window of the program
  // disabled, and returns once it has closed.
  void runModal();
  // The modal result: 8 after "Cancelar" or Esc, 2 (cancel) after any other closing.
  int modalResult() const { return modalResult_; }

  // AutenticacaoView
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
  void closeWith(int modalResult);

  HINSTANCE instance_;
  HWND mainWindow_;
  TAutenticacao& dialog_;
  Win32Desktop& desktop_;
  HWND window_ = nullptr;
  HWND user_ = nullptr;
  HWND password_ = nullptr;
  HWND image_ = nullptr;
  HFONT font_ = nullptr;
  HICON picture_ = nullptr;
  HIMAGELIST glyphs_[2] = {};
  UINT dpi_ = 96;
  int modalResult_ = 0;
  bool closed_ = false;
};

}  // namespace tarvio::win32ui
