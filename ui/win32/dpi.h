// The DPI functions that Windows 10 added (GetDpiForWindow, AdjustWindowRectExForDpi,
// GetSystemMetricsForDpi), looked up when first used, so that the program also starts on Windows
// 8.1 and Windows Server 2012 R2. Where the system lacks one, the nearest answer it can give.
#pragma once

#include <windows.h>

namespace tarvio::win32ui {

// The DPI at which the window is drawn: GetDpiForWindow; on Windows 8.1 the DPI of the window's
// monitor (GetDpiForMonitor of shcore.dll); without that, the system's DPI.
UINT dpiForWindow(HWND window);

// The outer size of a window for a client rectangle: AdjustWindowRectExForDpi; without it
// AdjustWindowRectEx, whose frame is that of the system's DPI, as Windows 8.1 draws it.
BOOL adjustWindowRectForDpi(RECT* rect, DWORD style, BOOL menu, DWORD exStyle, UINT dpi);

// GetSystemMetricsForDpi; without it the system's metric scaled from the system's DPI to `dpi`.
int systemMetricForDpi(int index, UINT dpi);

}  // namespace tarvio::win32ui
