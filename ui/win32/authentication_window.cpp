// The authentication dialog's window: layout, pictures, modal run, and the view for TAutenticacao.
#include "ui/win32/authentication_window.h"

#include <algorithm>

#include "app/error_display.h"
#include "common/scope_exit.h"
#include "platform/win32/wide.h"
#include "res/resource.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/dpi.h"
#include "ui/win32/ui_thread.h"
#include "ui/win32/window_kit.h"

namespace tarvio::win32ui {

namespace {

// Layout in client pixels at 96 DPI. The labels, fields and picture lie in the group box
// (at 6, 5); they are children of the dialog itself, at the group box's offset.
constexpr int clientWidth = 260;
constexpr int clientHeight = 152;
constexpr int groupLeft = 6;
constexpr int groupTop = 5;
constexpr Bounds groupBounds{6, 5, 247, 110};
constexpr Bounds userLabelBounds{groupLeft + 9, groupTop + 20, 36, 13};
constexpr Bounds userBounds{groupLeft + 9, groupTop + 36, 169, 21};
constexpr Bounds passwordLabelBounds{groupLeft + 9, groupTop + 61, 30, 13};
constexpr Bounds passwordBounds{groupLeft + 9, groupTop + 76, 169, 21};
constexpr Bounds imageBounds{groupLeft + 180, groupTop + 32, 65, 65};
constexpr Bounds okBounds{101, 121, 75, 25};
constexpr Bounds cancelBounds{178, 121, 75, 25};
constexpr int pictureSize = 64;
constexpr int glyphSize = 18;
constexpr int glyphMargin = 3;
constexpr COLORREF glyphBackground = RGB(128, 128, 0);  // olive, drawn transparent
constexpr int modalResultClose = 8;

constexpr DWORD windowStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD windowExStyle = WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT;

}  // namespace

AuthenticationWindow::AuthenticationWindow(HINSTANCE instance, HWND mainWindow,
                                           TAutenticacao& dialog, Win32Desktop& desktop)
    : instance_(instance), mainWindow_(mainWindow), dialog_(dialog), desktop_(desktop) {}

AuthenticationWindow::~AuthenticationWindow() {
  if (window_) DestroyWindow(window_);
  releasePictures();
  if (font_) DeleteObject(font_);
}

void AuthenticationWindow::releasePictures() {
  for (auto& list : glyphs_) {
    if (list) ImageList_Destroy(list);
    list = nullptr;
  }
  if (picture_) DestroyIcon(picture_);
  picture_ = nullptr;
}

void AuthenticationWindow::createWindow() {
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof cls;
  cls.lpfnWndProc = windowProc;
  cls.cbWndExtra = DLGWINDOWEXTRA;  // the dialog manager's default handling
  cls.hInstance = instance_;
  cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  cls.lpszClassName = authenticationWindowClass;
  if (!GetClassInfoExW(instance_, authenticationWindowClass, &cls)) RegisterClassExW(&cls);

  dpi_ = dpiForWindow(mainWindow_);
  // Owned by the main window: it stays in front of it and goes with it.
  window_ = CreateWindowExW(windowExStyle, authenticationWindowClass,
                            widen(autenticacao_text::caption).c_str(), windowStyle, 0, 0, 0, 0,
                            mainWindow_, nullptr, instance_, this);
  font_ = createTahoma8(dpi_);
  createControls();
  applyDpi(dpi_);
  placeOnScreen();
  SendMessageW(window_, DM_SETDEFID, IDOK, 0);
}

void AuthenticationWindow::createControls() {
  // Created in tab order, each label just before its field (screen readers name a field by the
  // label before it); the group box last, beneath what lies on it.
  userLabel_ = createControl(window_, WC_STATICW, autenticacao_text::userLabel, SS_LEFT | SS_NOPREFIX, 0,
                             ids::authUserLabel, userLabelBounds, dpi_, font_);
  user_ = createControl(window_, WC_EDITW, "", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, ids::authUser,
                        userBounds, dpi_, font_);
  passwordLabel_ = createControl(window_, WC_STATICW, autenticacao_text::passwordLabel, SS_LEFT | SS_NOPREFIX,
                                 0, ids::authPasswordLabel, passwordLabelBounds, dpi_, font_);
  password_ = createControl(window_, WC_EDITW, "", WS_TABSTOP | ES_AUTOHSCROLL | ES_PASSWORD, WS_EX_CLIENTEDGE,
                            ids::authPassword, passwordBounds, dpi_, font_);
  SendMessageW(password_, EM_SETPASSWORDCHAR, L'*', 0);
  ok_ = createControl(window_, WC_BUTTONW, autenticacao_text::okCaption, WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IDOK,
                      okBounds, dpi_, font_);
  cancel_ = createControl(window_, WC_BUTTONW, autenticacao_text::cancelCaption, WS_TABSTOP | BS_PUSHBUTTON, 0,
                          IDCANCEL, cancelBounds, dpi_, font_);
  image_ = createControl(window_, WC_STATICW, "", SS_OWNERDRAW, 0, ids::authImage, imageBounds, dpi_, font_);
  group_ = createControl(window_, WC_BUTTONW, autenticacao_text::groupCaption, BS_GROUPBOX | WS_CLIPSIBLINGS, 0,
                         ids::authGroup, groupBounds, dpi_, font_);
}

void AuthenticationWindow::applyDpi(UINT dpi) {
  dpi_ = dpi;
  HFONT old = font_;
  font_ = createTahoma8(dpi);
  const struct {
    HWND control;
    Bounds bounds;
  } placement[] = {{userLabel_, userLabelBounds}, {user_, userBounds},   {passwordLabel_, passwordLabelBounds},
                   {password_, passwordBounds},   {ok_, okBounds},       {cancel_, cancelBounds},
                   {image_, imageBounds},         {group_, groupBounds}};
  for (const auto& p : placement) {
    placeControl(p.control, p.bounds, dpi);
    SendMessageW(p.control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  }
  if (old && old != font_) DeleteObject(old);

  HIMAGELIST oldGlyphs[2] = {glyphs_[0], glyphs_[1]};
  HICON oldPicture = picture_;
  const int pictureSide = scale(pictureSize, dpi);
  picture_ = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_USUARIO), IMAGE_ICON, pictureSide,
                                           pictureSide, LR_DEFAULTCOLOR));
  const int glyphSide = scale(glyphSize, dpi);
  glyphs_[0] = imageListFromGlyph(instance_, IDB_GLYPH_OK, glyphBackground, glyphSide);
  glyphs_[1] = imageListFromGlyph(instance_, IDB_GLYPH_CANCELAR, glyphBackground, glyphSide);
  setButtonImages(ok_, glyphs_[0], scale(glyphMargin, dpi));
  setButtonImages(cancel_, glyphs_[1], scale(glyphMargin, dpi));
  for (HIMAGELIST list : oldGlyphs) {
    if (list) ImageList_Destroy(list);
  }
  if (oldPicture) DestroyIcon(oldPicture);
  InvalidateRect(window_, nullptr, TRUE);
}

void AuthenticationWindow::placeOnScreen() {
  SIZE outer = outerSizeForClient(clientWidth, clientHeight, windowStyle, windowExStyle, dpi_);
  // The monitor of the main window; for a minimized one, the monitor it was on.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(mainWindow_, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& work = monitor.rcWork;
  // Centred over the main window; over the work area when the main window is minimized or hidden,
  // where its rectangle lies off the screen.
  RECT over = work;
  if (mainWindow_ && IsWindowVisible(mainWindow_) && !IsIconic(mainWindow_)) GetWindowRect(mainWindow_, &over);
  int x = over.left + ((over.right - over.left) - outer.cx) / 2;
  int y = over.top + ((over.bottom - over.top) - outer.cy) / 2;
  // Wholly within the work area.
  x = std::max<int>(work.left, std::min<int>(x, work.right - outer.cx));
  y = std::max<int>(work.top, std::min<int>(y, work.bottom - outer.cy));
  SetWindowPos(window_, nullptr, x, y, outer.cx, outer.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

void AuthenticationWindow::runModal() {
  createWindow();
  dialog_.attach(this);
  ScopeExit detach([this] { dialog_.attach(nullptr); });
  // The boxes of a login attempt belong to the dialog.
  Win32Desktop::ModalWindowScope boxesOverTheDialog(desktop_, window_);
  {
    TaskWindowsDisabled modal(window_);
    desktop_.flashIfInBackground();
    ShowWindow(window_, SW_SHOWNORMAL);
    focusUser();
    MSG msg;
    // The run also ends when the main window has been closed meanwhile.
    while (!closed_ && !desktop_.terminated()) {
      BOOL got = GetMessageW(&msg, nullptr, 0, 0);
      if (got <= 0) {
        if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      dispatchWindowMessage(msg);
    }
  }
  // The other windows are enabled again (above) before this one goes, so the activation returns to
  // the main window and the program keeps the foreground.
  ShowWindow(window_, SW_HIDE);
  DestroyWindow(window_);
  window_ = nullptr;
}

void AuthenticationWindow::attempt() {
  // One attempt at a time: OK and Enter pressed meanwhile are not queued up.
  if (attemptRunning_ || closed_) return;
  attemptRunning_ = true;
  {
    ScopeExit over([this] { attemptRunning_ = false; });
    // The requests to the login service run on a worker: the dialog repaints and moves meanwhile.
    runHandler([this] { desktop_.ui().runOnWorker([this] { dialog_.bbOKClick(); }); });
  }
  if (closeRequested_) closeWith(*closeRequested_);
}

void AuthenticationWindow::requestClose(int modalResult) {
  if (attemptRunning_) {
    if (!closeRequested_) closeRequested_ = modalResult;
    return;
  }
  closeWith(modalResult);
}

void AuthenticationWindow::closeWith(int modalResult) {
  if (closed_) return;
  TAutenticacao::TCloseAction action = TAutenticacao::TCloseAction::caHide;
  dialog_.FormClose(action);
  // A request to be freed on close is not acted on: the main window owns the dialog object
  // and destroys it after the modal run.
  modalResult_ = modalResult;
  closed_ = true;
}

std::string AuthenticationWindow::userText() {
  return desktop_.ui().get([this] { return windowText(user_); });
}
std::string AuthenticationWindow::passwordText() {
  return desktop_.ui().get([this] { return windowText(password_); });
}
void AuthenticationWindow::setUserText(std::string_view text) {
  const std::wstring wide = widen(text);
  desktop_.ui().call([&] { SetWindowTextW(user_, wide.c_str()); });
}
void AuthenticationWindow::setPasswordText(std::string_view text) {
  const std::wstring wide = widen(text);
  desktop_.ui().call([&] { SetWindowTextW(password_, wide.c_str()); });
}
void AuthenticationWindow::focusUser() {
  desktop_.ui().call([this] { SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(user_), TRUE); });
}
void AuthenticationWindow::close() {
  desktop_.ui().call([this] { closeWith(IDCANCEL); });
}

LRESULT CALLBACK AuthenticationWindow::windowProc(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<AuthenticationWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefDlgProcW(window, message, wParam, lParam);
  return self->handle(window, message, wParam, lParam);
}

LRESULT AuthenticationWindow::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK && (HIWORD(wParam) == BN_CLICKED || lParam == 0)) {
        attempt();
        return 0;
      }
      if (LOWORD(wParam) == IDCANCEL && (HIWORD(wParam) == BN_CLICKED || lParam == 0)) {
        requestClose(modalResultClose);
        return 0;
      }
      return 0;
    case WM_CLOSE:
      requestClose(IDCANCEL);
      return 0;
    case WM_DPICHANGED: {
      // Moved to a monitor of another DPI: drawn anew for it, in the rectangle Windows suggests.
      applyDpi(HIWORD(wParam));
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(window_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->hwndItem == image_ && picture_) {
        // At its own size in the control's top-left corner: not stretched, not centred.
        const int side = scale(pictureSize, dpi_);
        FillRect(item->hDC, &item->rcItem, GetSysColorBrush(COLOR_BTNFACE));
        DrawIconEx(item->hDC, 0, 0, picture_, side, side, 0, nullptr, DI_NORMAL);
        return TRUE;
      }
      break;
    }
  }
  return DefDlgProcW(window, message, wParam, lParam);
}

}  // namespace tarvio::win32ui
