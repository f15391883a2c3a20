// The authentication dialog's window: layout, pictures, modal run, and the view for TAutenticacao.
#include "ui/win32/authentication_window.h"

#include "app/error_display.h"
#include "common/scope_exit.h"
#include "platform/win32/wide.h"
#include "ui/win32/dpi.h"
#include "res/resource.h"
#include "ui/win32/control_ids.h"
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
  for (auto& list : glyphs_) {
    if (list) ImageList_Destroy(list);
  }
  if (picture_) DestroyIcon(picture_);
  if (font_) DeleteObject(font_);
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

  dpi_ = mainWindow_ ? dpiForWindow(mainWindow_) : 96;
  SIZE outer = outerSizeForClient(clientWidth, clientHeight, windowStyle, windowExStyle, dpi_);
  RECT over{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (mainWindow_) GetWindowRect(mainWindow_, &over);
  int x = over.left + ((over.right - over.left) - outer.cx) / 2;
  int y = over.top + ((over.bottom - over.top) - outer.cy) / 2;
  window_ = CreateWindowExW(windowExStyle, authenticationWindowClass,
                            widen(autenticacao_text::caption).c_str(), windowStyle, x, y, outer.cx,
                            outer.cy, mainWindow_, nullptr, instance_, this);
  font_ = createTahoma8(dpi_);

  // Created in tab order; the group box last, beneath what lies on it.
  user_ = createControl(window_, WC_EDITW, "", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                        ids::authUser, userBounds, dpi_, font_);
  password_ = createControl(window_, WC_EDITW, "", WS_TABSTOP | ES_AUTOHSCROLL | ES_PASSWORD,
                            WS_EX_CLIENTEDGE, ids::authPassword, passwordBounds, dpi_, font_);
  SendMessageW(password_, EM_SETPASSWORDCHAR, L'*', 0);
  HWND ok = createControl(window_, WC_BUTTONW, autenticacao_text::okCaption,
                          WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IDOK, okBounds, dpi_, font_);
  HWND cancel = createControl(window_, WC_BUTTONW, autenticacao_text::cancelCaption,
                              WS_TABSTOP | BS_PUSHBUTTON, 0, IDCANCEL, cancelBounds, dpi_, font_);
  createControl(window_, WC_STATICW, autenticacao_text::userLabel, SS_LEFT | SS_NOPREFIX, 0,
                ids::authUserLabel, userLabelBounds, dpi_, font_);
  createControl(window_, WC_STATICW, autenticacao_text::passwordLabel, SS_LEFT | SS_NOPREFIX, 0,
                ids::authPasswordLabel, passwordLabelBounds, dpi_, font_);
  image_ = createControl(window_, WC_STATICW, "", SS_OWNERDRAW, 0, ids::authImage, imageBounds,
                         dpi_, font_);
  createControl(window_, WC_BUTTONW, autenticacao_text::groupCaption, BS_GROUPBOX | WS_CLIPSIBLINGS,
                0, ids::authGroup, groupBounds, dpi_, font_);

  const int pictureSide = scale(pictureSize, dpi_);
  picture_ = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_USUARIO), IMAGE_ICON,
                                           pictureSide, pictureSide, LR_DEFAULTCOLOR));
  const int glyphSide = scale(glyphSize, dpi_);
  glyphs_[0] = imageListFromGlyph(instance_, IDB_GLYPH_OK, glyphBackground, glyphSide);
  glyphs_[1] = imageListFromGlyph(instance_, IDB_GLYPH_CANCELAR, glyphBackground, glyphSide);
  setButtonImages(ok, glyphs_[0], scale(glyphMargin, dpi_));
  setButtonImages(cancel, glyphs_[1], scale(glyphMargin, dpi_));
  SendMessageW(window_, DM_SETDEFID, IDOK, 0);
}

void AuthenticationWindow::runModal() {
  createWindow();
  dialog_.attach(this);
  ScopeExit detach([this] { dialog_.attach(nullptr); });
  {
    TaskWindowsDisabled modal(window_);
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
      if (IsDialogMessageW(window_, &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    // The other windows are enabled again before this one goes, so the activation returns
    // to the main window.
    ShowWindow(window_, SW_HIDE);
  }
  DestroyWindow(window_);
  window_ = nullptr;
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

std::string AuthenticationWindow::userText() { return windowText(user_); }
std::string AuthenticationWindow::passwordText() { return windowText(password_); }
void AuthenticationWindow::setUserText(std::string_view text) {
  SetWindowTextW(user_, widen(text).c_str());
}
void AuthenticationWindow::setPasswordText(std::string_view text) {
  SetWindowTextW(password_, widen(text).c_str());
}
void AuthenticationWindow::focusUser() {
  SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(user_), TRUE);
}
void AuthenticationWindow::close() { closeWith(IDCANCEL); }

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
        runHandler([this] { dialog_.bbOKClick(); });
        return 0;
      }
      if (LOWORD(wParam) == IDCANCEL && (HIWORD(wParam) == BN_CLICKED || lParam == 0)) {
        closeWith(modalResultClose);
        return 0;
      }
      return 0;
    case WM_CLOSE:
      closeWith(IDCANCEL);
      return 0;
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
