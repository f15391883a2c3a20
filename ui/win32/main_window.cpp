// The main window: its layout, its images, and the forwarding of clicks to TPrincipal.
#include "ui/win32/main_window.h"

#include <algorithm>

#include "app/error_display.h"
#include "common/scope_exit.h"
#include "platform/win32/wide.h"
#include "res/resource.h"
#include "ui/win32/authentication_window.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/dpi.h"
#include "ui/win32/ui_thread.h"
#include "ui/win32/window_kit.h"

namespace tarvio::win32ui {

namespace {

// Layout in client pixels at 96 DPI. The buttons lie on "Ação" and the status log inside
// "Status"; they are children of the window itself, at the group boxes' offsets.
constexpr int clientWidth = 650;
constexpr int clientHeight = 387;
constexpr Bounds groupAcaoBounds{0, 0, 650, 61};
constexpr Bounds efetuarBounds{7, 18, 133, 38};
constexpr Bounds restaurarBounds{146, 18, 133, 38};
constexpr Bounds backupsBounds{285, 18, 133, 38};
constexpr Bounds warningBounds{0, 62, 650, 21};
constexpr Bounds groupStatusBounds{0, 84, 650, 303};
constexpr Bounds statusLogBounds{7, 84 + 19, 635, 276};
// In the caption line of "Status", right of its caption and as wide as the status log reaches.
constexpr Bounds progressBounds{56, 85, 586, 13};
constexpr int progressRange = 1000;
constexpr int statusLogItemHeight = 13;
constexpr int buttonImageSize = 24;
constexpr int buttonImageMargin = 4;
constexpr COLORREF warningColour = RGB(255, 0, 0);

constexpr DWORD windowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD windowExStyle = WS_EX_CONTROLPARENT | WS_EX_APPWINDOW;

// Posted on the first activation: the activation handler runs once the activation is over.
constexpr UINT formActivateMessage = WM_APP + 1;
// Posted when the progress bar has a new position to show.
constexpr UINT progressMessage = WM_APP + 2;

// Told by Windows to the user who logs off or shuts down during a run.
constexpr const char* runInProgressReason =
    "Um backup ou uma restauração do Tarvio está em andamento. Aguarde o término antes de sair ou desligar.";

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, Win32Desktop& desktop)
    : instance_(instance), desktop_(desktop) {}

MainWindow::~MainWindow() {
  if (window_) DestroyWindow(window_);
  releaseImages();
  if (font_) DeleteObject(font_);
  if (bigIcon_) DestroyIcon(bigIcon_);
  if (smallIcon_) DestroyIcon(smallIcon_);
}

void MainWindow::create(TPrincipal& principal) {
  principal_ = &principal;
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof cls;
  cls.lpfnWndProc = windowProc;
  // The dialog manager's default handling (focus kept across activations, Tab, default buttons).
  cls.cbWndExtra = DLGWINDOWEXTRA;
  cls.hInstance = instance_;
  cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  cls.lpszClassName = mainWindowClass;
  cls.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_PROGRAM));
  RegisterClassExW(&cls);

  window_ = CreateWindowExW(windowExStyle, mainWindowClass, widen(principal_text::caption).c_str(),
                            windowStyle, 0, 0, 0, 0, nullptr, nullptr, instance_, this);
  desktop_.setMainWindow(window_);
  dpi_ = dpiForWindow(window_);
  font_ = createTahoma8(dpi_);
  createControls();
  applyDpi(dpi_);

  // Centred on the primary monitor.
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
  RECT r;
  GetWindowRect(window_, &r);
  const RECT& m = info.rcMonitor;
  SetWindowPos(window_, nullptr, m.left + ((m.right - m.left) - (r.right - r.left)) / 2,
               m.top + ((m.bottom - m.top) - (r.bottom - r.top)) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  for (const auto& line : principal.ListBox().lines()) lineAdded(line);
  principal.ListBox().setListener(this);

  ShowWindow(window_, SW_SHOWNORMAL);
  SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(statusLog_), TRUE);
  UpdateWindow(window_);
}

void MainWindow::createControls() {
  // Created in tab order; the group boxes last, beneath the controls that lie on them.
  statusLog_ = createControl(window_, WC_LISTBOXW, "",
                             WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                             WS_EX_CLIENTEDGE, ids::statusLog, statusLogBounds, dpi_, font_);
  efetuar_ = createControl(window_, WC_BUTTONW, "Efetuar Backup", WS_TABSTOP | BS_PUSHBUTTON, 0,
                           ids::efetuarBackup, efetuarBounds, dpi_, font_);
  backups_ = createControl(window_, WC_BUTTONW, "Backups Efetuados", WS_TABSTOP | BS_PUSHBUTTON, 0,
                           ids::backupsEfetuados, backupsBounds, dpi_, font_);
  restaurar_ = createControl(window_, WC_BUTTONW, "Restaurar Backup", WS_TABSTOP | BS_PUSHBUTTON, 0,
                             ids::restaurarBackup, restaurarBounds, dpi_, font_);
  warning_ = createControl(window_, WC_STATICW, principal_text::warning,
                           SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX, WS_EX_STATICEDGE,
                           ids::warningPanel, warningBounds, dpi_, font_);
  // Hidden until a long step reports how far it has come.
  progress_ = createControl(window_, PROGRESS_CLASSW, "", 0, 0, ids::progressBar, progressBounds, dpi_, font_);
  ShowWindow(progress_, SW_HIDE);
  SendMessageW(progress_, PBM_SETRANGE32, 0, progressRange);
  groupAcao_ = createControl(window_, WC_BUTTONW, "Ação", BS_GROUPBOX | WS_CLIPSIBLINGS, 0,
                             ids::groupAcao, groupAcaoBounds, dpi_, font_);
  groupStatus_ = createControl(window_, WC_BUTTONW, "Status", BS_GROUPBOX | WS_CLIPSIBLINGS, 0,
                               ids::groupStatus, groupStatusBounds, dpi_, font_);
}

void MainWindow::releaseImages() {
  for (auto& list : images_) {
    if (list) ImageList_Destroy(list);
    list = nullptr;
  }
}

void MainWindow::applyDpi(UINT dpi) {
  dpi_ = dpi;
  HFONT old = font_;
  font_ = createTahoma8(dpi);
  SIZE outer = outerSizeForClient(clientWidth, clientHeight, windowStyle, windowExStyle, dpi);
  SetWindowPos(window_, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  const struct {
    HWND control;
    Bounds bounds;
  } placement[] = {{statusLog_, statusLogBounds}, {efetuar_, efetuarBounds},
                   {backups_, backupsBounds},     {restaurar_, restaurarBounds},
                   {warning_, warningBounds},     {progress_, progressBounds},
                   {groupAcao_, groupAcaoBounds}, {groupStatus_, groupStatusBounds}};
  for (const auto& p : placement) {
    placeControl(p.control, p.bounds, dpi);
    SendMessageW(p.control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  }
  SendMessageW(statusLog_, LB_SETITEMHEIGHT, 0, scale(statusLogItemHeight, dpi));
  if (old) DeleteObject(old);

  releaseImages();
  const int imageSize = scale(buttonImageSize, dpi);
  const struct {
    HWND button;
    int icon;
  } buttons[] = {{efetuar_, IDI_EFETUAR_BACKUP},
                 {restaurar_, IDI_RESTAURAR_BACKUP},
                 {backups_, IDI_BACKUPS_EFETUADOS}};
  for (int i = 0; i < 3; ++i) {
    images_[i] = imageListFromIcon(instance_, buttons[i].icon, imageSize);
    setButtonImages(buttons[i].button, images_[i], scale(buttonImageMargin, dpi));
  }

  if (bigIcon_) DestroyIcon(bigIcon_);
  if (smallIcon_) DestroyIcon(smallIcon_);
  bigIcon_ = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON,
                                           systemMetricForDpi(SM_CXICON, dpi),
                                           systemMetricForDpi(SM_CYICON, dpi), 0));
  smallIcon_ = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON,
                                             systemMetricForDpi(SM_CXSMICON, dpi),
                                             systemMetricForDpi(SM_CYSMICON, dpi), 0));
  SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
  SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
}

void MainWindow::runMessageLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) dispatchWindowMessage(msg);
}

void MainWindow::runOperation(const std::function<void()>& run) {
  // Logging off or shutting down would cut the run short: Windows is told why it must wait.
  if (runsInProgress_++ == 0) ShutdownBlockReasonCreate(window_, widen(runInProgressReason).c_str());
  ScopeExit ended([this] {
    if (--runsInProgress_ == 0) ShutdownBlockReasonDestroy(window_);
  });
  desktop_.ui().runOnWorker(run);
}

void MainWindow::runPresenterHandler(const std::function<void()>& handler) {
  ++handlersRunning_;
  runHandler(handler);
  --handlersRunning_;
  if (handlersRunning_ == 0 && desktop_.terminated() && window_) DestroyWindow(window_);
}

void MainWindow::buttonEnabledChanged(MainButton button, bool enabled) {
  desktop_.ui().call([&] {
    HWND control = button == MainButton::EfetuarBackup     ? efetuar_
                   : button == MainButton::RestaurarBackup ? restaurar_
                                                           : backups_;
    // A disabled button loses the keyboard: the focus moves to the status log first.
    if (!enabled && GetFocus() == control) {
      SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(statusLog_), TRUE);
    }
    EnableWindow(control, enabled ? TRUE : FALSE);
  });
}

void MainWindow::progressChanged(uint64_t done, uint64_t total) {
  double part = total == 0 ? 1.0 : static_cast<double>(std::min(done, total)) / static_cast<double>(total);
  setProgress(static_cast<int>(part * progressRange));
}

void MainWindow::progressHidden() { setProgress(-1); }

void MainWindow::setProgress(int position) {
  // The run does not wait for the window: it leaves the latest position, and posts a request to
  // draw it unless one is already waiting.
  if (progressPosition_.exchange(position) == position) return;
  if (!progressDrawPosted_.exchange(true)) PostMessageW(window_, progressMessage, 0, 0);
}

void MainWindow::drawProgress() {
  // Cleared before the position is read: a position left after this read posts a new request.
  progressDrawPosted_ = false;
  int position = progressPosition_.load();
  if (position < 0) {
    ShowWindow(progress_, SW_HIDE);
    return;
  }
  SendMessageW(progress_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  if (!IsWindowVisible(progress_)) ShowWindow(progress_, SW_SHOWNA);
}

void MainWindow::showAuthenticationDialog(TAutenticacao& dialog) {
  AuthenticationWindow window(instance_, window_, dialog, desktop_);
  window.runModal();
}

void MainWindow::lineAdded(const std::string& line) {
  const std::wstring wide = widen(line);
  desktop_.ui().call([&] { SendMessageW(statusLog_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str())); });
}

void MainWindow::lastLineSelected() {
  desktop_.ui().call([this] {
    LRESULT count = SendMessageW(statusLog_, LB_GETCOUNT, 0, 0);
    if (count > 0) SendMessageW(statusLog_, LB_SETCURSEL, static_cast<WPARAM>(count - 1), 0);
  });
}

void MainWindow::cleared() {
  desktop_.ui().call([this] { SendMessageW(statusLog_, LB_RESETCONTENT, 0, 0); });
}

LRESULT CALLBACK MainWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    reinterpret_cast<MainWindow*>(create->lpCreateParams)->window_ = window;
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefDlgProcW(window, message, wParam, lParam);
  return self->handle(window, message, wParam, lParam);
}

LRESULT MainWindow::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ACTIVATE: {
      // The dialog manager gives the focus back to the control that had it.
      LRESULT result = DefDlgProcW(window, message, wParam, lParam);
      if (LOWORD(wParam) != WA_INACTIVE) {
        // A button disabled while another program was in front cannot take the focus back.
        HWND focus = GetFocus();
        if (focus && GetParent(focus) == window_ && !IsWindowEnabled(focus)) {
          SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(statusLog_), TRUE);
        }
        if (!activatedOnce_) {
          activatedOnce_ = true;
          PostMessageW(window_, formActivateMessage, 0, 0);
        }
      }
      return result;
    }
    case formActivateMessage:
      runPresenterHandler([this] { principal_->FormActivate(); });
      return 0;
    case progressMessage:
      drawProgress();
      return 0;
    case WM_QUERYENDSESSION:
      // A run is never cut short by a logoff, restart or shutdown: they wait for its end.
      return runsInProgress_ > 0 ? FALSE : TRUE;
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
          case ids::efetuarBackup:
            runPresenterHandler([this] { principal_->btnEfetuarBackupClick(); });
            return 0;
          case ids::restaurarBackup:
            runPresenterHandler([this] { principal_->btnRestaurarBackupClick(); });
            return 0;
          case ids::backupsEfetuados:
            runPresenterHandler([this] { principal_->btnBackupsEfetuadosClick(); });
            return 0;
        }
      }
      // Enter and Esc arrive here as IDOK and IDCANCEL: the main window has no use for them.
      return 0;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lParam) == warning_) {
        auto dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, warningColour);
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    case WM_DPICHANGED: {
      applyDpi(HIWORD(wParam));
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(window_, nullptr, suggested->left, suggested->top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_CLOSE:
      // No question asked. While a handler runs, the window stays until it has returned.
      desktop_.markTerminated();
      if (handlersRunning_ == 0) DestroyWindow(window_);
      return 0;
    case WM_DESTROY:
      desktop_.setMainWindow(nullptr);
      window_ = nullptr;
      PostQuitMessage(0);
      return 0;
  }
  return DefDlgProcW(window, message, wParam, lParam);
}

}  // namespace tarvio::win32ui
