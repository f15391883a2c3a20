// The Win32 desktop services.
#include "ui/win32/win32_desktop.h"

#include <commdlg.h>
#include <shellapi.h>

#include <vector>

#include "app/principal.h"
#include "common/paths.h"
#include "platform/win32/wide.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/window_kit.h"

namespace tarvio::win32ui {

namespace {

const std::wstring& applicationTitle() {
  static const std::wstring title = widen(principal_text::applicationTitle);
  return title;
}

// A message box cannot centre itself on a monitor's work area: a CBT hook moves it there when it
// is activated for the first time, before it is drawn.
class CentreOnWorkArea {
 public:
  explicit CentreOnWorkArea(HWND reference) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromWindow(reference, MONITOR_DEFAULTTOPRIMARY), &info);
    workArea_ = info.rcWork;
    current_ = this;
    hook_ = SetWindowsHookExW(WH_CBT, onCbt, nullptr, GetCurrentThreadId());
  }
  ~CentreOnWorkArea() {
    if (hook_) UnhookWindowsHookEx(hook_);
    current_ = nullptr;
  }
  CentreOnWorkArea(const CentreOnWorkArea&) = delete;
  CentreOnWorkArea& operator=(const CentreOnWorkArea&) = delete;

 private:
  static LRESULT CALLBACK onCbt(int code, WPARAM wParam, LPARAM lParam) {
    CentreOnWorkArea* self = current_;
    if (self && code == HCBT_ACTIVATE && !self->done_) {
      auto box = reinterpret_cast<HWND>(wParam);
      wchar_t cls[16] = {};
      GetClassNameW(box, cls, 16);
      if (lstrcmpW(cls, L"#32770") == 0) {
        self->done_ = true;
        RECT r;
        GetWindowRect(box, &r);
        const RECT& w = self->workArea_;
        int x = w.left + ((w.right - w.left) - (r.right - r.left)) / 2;
        int y = w.top + ((w.bottom - w.top) - (r.bottom - r.top)) / 2;
        SetWindowPos(box, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
    }
    return CallNextHookEx(self ? self->hook_ : nullptr, code, wParam, lParam);
  }

  static inline CentreOnWorkArea* current_ = nullptr;
  HHOOK hook_ = nullptr;
  RECT workArea_{};
  bool done_ = false;
};

LRESULT CALLBACK applicationWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

Win32Desktop::Win32Desktop(HINSTANCE instance) : ui_(instance) {
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof cls;
  cls.lpfnWndProc = applicationWindowProc;
  cls.hInstance = instance;
  cls.lpszClassName = applicationWindowClass;
  RegisterClassExW(&cls);
  // Never shown: the main window is unowned and has the taskbar button to itself.
  application_ = CreateWindowExW(0, applicationWindowClass, applicationTitle().c_str(),
                                 WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 0, 0, nullptr, nullptr,
                                 instance, nullptr);
}

Win32Desktop::~Win32Desktop() {
  if (application_) DestroyWindow(application_);
}

Win32Desktop::ModalWindowScope::ModalWindowScope(Win32Desktop& desktop, HWND window) : desktop_(desktop) {
  desktop_.modalWindows_.push_back(window);
}

Win32Desktop::ModalWindowScope::~ModalWindowScope() { desktop_.modalWindows_.pop_back(); }

HWND Win32Desktop::boxOwner() const {
  // Not the active window: when another program is in front the program has none, and a box
  // without an owner would stay behind when the user brings the program back.
  if (!modalWindows_.empty() && IsWindow(modalWindows_.back())) return modalWindows_.back();
  if (main_ && IsWindow(main_)) return main_;
  return application_;
}

void Win32Desktop::flashIfInBackground() const {
  if (!main_) return;
  DWORD frontProcess = 0;
  GetWindowThreadProcessId(GetForegroundWindow(), &frontProcess);
  if (frontProcess == GetCurrentProcessId()) return;
  FLASHWINFO flash{};
  flash.cbSize = sizeof flash;
  flash.hwnd = main_;
  flash.dwFlags = FLASHW_ALL | FLASHW_TIMERNOFG;
  FlashWindowEx(&flash);
}

void Win32Desktop::showMessage(std::string_view text) {
  const std::wstring wide = widen(text);
  ui_.call([&] {
    HWND owner = boxOwner();
    flashIfInBackground();
    // Modal to the whole program, like the error box, and centred on the owner's monitor. The box
    // disables its owner itself and enables it again before it goes, so the activation returns there.
    TaskWindowsDisabled others(owner);
    CentreOnWorkArea centre(owner);
    MessageBoxW(owner, wide.c_str(), applicationTitle().c_str(), MB_OK);
  });
}

void Win32Desktop::showError(std::string_view text) {
  const std::wstring wide = widen(text);
  ui_.call([&] {
    HWND owner = boxOwner();
    flashIfInBackground();
    TaskWindowsDisabled others(owner);
    MessageBoxW(owner, wide.c_str(), applicationTitle().c_str(), MB_OK | MB_ICONSTOP);
  });
}

bool Win32Desktop::askYesNo(std::string_view caption, std::string_view text) {
  const std::wstring wideText = widen(text);
  const std::wstring wideCaption = widen(caption);
  return ui_.get([&] {
    HWND owner = boxOwner();
    flashIfInBackground();
    TaskWindowsDisabled others(owner);
    return MessageBoxW(owner, wideText.c_str(), wideCaption.c_str(), MB_YESNO | MB_DEFBUTTON2) == IDYES;
  });
}

std::optional<std::string> Win32Desktop::chooseFile(const FileDialogSettings& settings) {
  std::wstring filter;
  for (const auto& f : settings.filters) {
    filter += widen(f.description);
    filter += L'\0';
    filter += widen(f.pattern);
    filter += L'\0';
  }
  filter += L'\0';
  const std::wstring title = widen(settings.title);
  return ui_.get([&]() -> std::optional<std::string> {
    std::vector<wchar_t> file(32768, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = boxOwner();
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = title.c_str();
    // No OFN_FILEMUSTEXIST: the user may type any name. OFN_NOCHANGEDIR: the program's current
    // folder stays where it was, not in the folder of the chosen file.
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    flashIfInBackground();
    TaskWindowsDisabled others(ofn.hwndOwner);
    if (!GetOpenFileNameW(&ofn)) return std::nullopt;
    return narrow(file.data());
  });
}

void Win32Desktop::processMessages() {
  // A worker's wait needs no pump: the window thread handles its messages as they arrive.
  if (!ui_.isCurrent()) return;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      terminated_ = true;
      PostQuitMessage(static_cast<int>(msg.wParam));  // the main loop still has to see it
      return;
    }
    dispatchWindowMessage(msg);
  }
}

void Win32Desktop::startExplorer(std::string_view parameters) {
  const std::wstring wide = widen(parameters);
  ui_.call([&] {
    ShellExecuteW(application_, nullptr, widen(paths::explorerExe).c_str(), wide.c_str(), nullptr, SW_SHOWNORMAL);
  });
}

}  // namespace tarvio::win32ui
