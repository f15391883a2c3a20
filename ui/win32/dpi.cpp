// The DPI functions of newer Windows, looked up at run time.
#include "ui/win32/dpi.h"

namespace tarvio::win32ui {

namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);
using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
constexpr int monitorEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

// A function of a system DLL, or null when this Windows has none of that name.
template <class Function>
Function lookUp(HMODULE module, const char* name) {
  FARPROC found = module ? GetProcAddress(module, name) : nullptr;
  // Through a plain function pointer type, which any function pointer may be cast to and from.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

HMODULE user32() {
  static HMODULE module = GetModuleHandleW(L"user32.dll");
  return module;
}

UINT systemDpi() {
  static UINT dpi = [] {
    HDC screen = GetDC(nullptr);
    int value = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return value > 0 ? static_cast<UINT>(value) : 96u;
  }();
  return dpi;
}

}  // namespace

UINT dpiForWindow(HWND window) {
  static auto getDpiForWindow = lookUp<GetDpiForWindowFunction>(user32(), "GetDpiForWindow");
  if (getDpiForWindow && window) {
    UINT dpi = getDpiForWindow(window);
    if (dpi) return dpi;
  }
  // Windows 8.1: shcore.dll, from the system folder only.
  static auto getDpiForMonitor = lookUp<GetDpiForMonitorFunction>(
      LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32), "GetDpiForMonitor");
  if (getDpiForMonitor) {
    UINT x = 0, y = 0;
    HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY);
    if (SUCCEEDED(getDpiForMonitor(monitor, monitorEffectiveDpi, &x, &y)) && y) return y;
  }
  return systemDpi();
}

BOOL adjustWindowRectForDpi(RECT* rect, DWORD style, BOOL menu, DWORD exStyle, UINT dpi) {
  static auto adjust = lookUp<AdjustWindowRectExForDpiFunction>(user32(), "AdjustWindowRectExForDpi");
  if (adjust) return adjust(rect, style, menu, exStyle, dpi);
  return AdjustWindowRectEx(rect, style, menu, exStyle);
}

int systemMetricForDpi(int index, UINT dpi) {
  static auto metric = lookUp<GetSystemMetricsForDpiFunction>(user32(), "GetSystemMetricsForDpi");
  if (metric) return metric(index, dpi);
  return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(systemDpi()));
}

}  // namespace tarvio::win32ui
