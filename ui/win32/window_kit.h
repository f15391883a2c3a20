// Small helpers shared by the Win32 windows: DPI scaling, the Tahoma font, control creation,
// window text, images for buttons, and the task-modal disabling of the program's windows.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <string_view>
#include <vector>

namespace tarvio::win32ui {

// Layout values are pixels at 96 DPI.
inline int scale(int value, UINT dpi) { return MulDiv(value, static_cast<int>(dpi), 96); }

struct Bounds {
  int left, top, width, height;
};

// Tahoma 8 point at the given DPI (11 pixels high at 96 DPI).
HFONT createTahoma8(UINT dpi);

// Creates a child control; `bounds` are pixels at 96 DPI, scaled to `dpi`.
HWND createControl(HWND parent, const wchar_t* cls, std::string_view text, DWORD style,
                   DWORD exStyle, int id, const Bounds& bounds, UINT dpi, HFONT font);
void placeControl(HWND control, const Bounds& bounds, UINT dpi);

std::string windowText(HWND window);

// A window of the size whose client area is `clientWidth` x `clientHeight` at 96 DPI.
SIZE outerSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi);

// An image list holding the icon resource `iconId` drawn at `size` pixels (32-bit, alpha).
HIMAGELIST imageListFromIcon(HINSTANCE instance, int iconId, int size);
// An image list for a button from a glyph bitmap that holds two square images side by side
// (enabled, disabled) on a background colour drawn transparent; the images are scaled to `size`.
// It holds one image per button state, as BCM_SETIMAGELIST expects.
HIMAGELIST imageListFromGlyph(HINSTANCE instance, int bitmapId, COLORREF transparent, int size);
// Puts the image list at the left of a push button's caption.
void setButtonImages(HWND button, HIMAGELIST images, int margin);

// While alive, every visible and enabled top-level window of this thread (but `except`) is
// disabled, as around a modal window; the destructor enables them again and gives the
// activation back to the window that had it.
class TaskWindowsDisabled {
 public:
  explicit TaskWindowsDisabled(HWND except);
  ~TaskWindowsDisabled();
  TaskWindowsDisabled(const TaskWindowsDisabled&) = delete;
  TaskWindowsDisabled& operator=(const TaskWindowsDisabled&) = delete;

 private:
  std::vector<HWND> disabled_;
  HWND active_;
};

}  // namespace tarvio::win32ui
