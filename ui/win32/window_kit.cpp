// Helpers shared by the Win32 windows.
#include "ui/win32/window_kit.h"

#include "platform/win32/wide.h"
#include "ui/win32/dpi.h"

namespace tarvio::win32ui {

HFONT createTahoma8(UINT dpi) {
  LOGFONTW font{};
  font.lfHeight = -MulDiv(8, static_cast<int>(dpi), 72);
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = DEFAULT_QUALITY;
  lstrcpyW(font.lfFaceName, L"Tahoma");
  return CreateFontIndirectW(&font);
}

HWND createControl(HWND parent, const wchar_t* cls, std::string_view text, DWORD style,
                   DWORD exStyle, int id, const Bounds& b, UINT dpi, HFONT font) {
  HWND control = CreateWindowExW(exStyle, cls, widen(text).c_str(), WS_CHILD | WS_VISIBLE | style,
                                 scale(b.left, dpi), scale(b.top, dpi), scale(b.width, dpi),
                                 scale(b.height, dpi), parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)),
                                 nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

void placeControl(HWND control, const Bounds& b, UINT dpi) {
  SetWindowPos(control, nullptr, scale(b.left, dpi), scale(b.top, dpi), scale(b.width, dpi),
               scale(b.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string windowText(HWND window) {
  int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  int got = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return narrow(text);
}

SIZE outerSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi) {
  RECT r{0, 0, scale(clientWidth, dpi), scale(clientHeight, dpi)};
  adjustWindowRectForDpi(&r, style, FALSE, exStyle, dpi);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

HIMAGELIST imageListFromIcon(HINSTANCE instance, int iconId, int size) {
  HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32, 1, 0);
  auto icon = static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(iconId), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
  if (icon) {
    ImageList_AddIcon(list, icon);
    DestroyIcon(icon);
  }
  return list;
}

HIMAGELIST imageListFromGlyph(HINSTANCE instance, int bitmapId, COLORREF transparent, int size) {
  // Button states in the order BCM_SETIMAGELIST reads them: normal, hot, pressed, disabled,
  // defaulted, stylus-hot. Only the disabled state uses the glyph's second image.
  constexpr int frames[] = {0, 0, 0, 1, 0, 0};
  constexpr int frameCount = 6;
  HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, frameCount, 0);
  auto glyph = static_cast<HBITMAP>(
      LoadImageW(instance, MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (!glyph) return list;
  BITMAP info{};
  GetObjectW(glyph, sizeof info, &info);
  const int square = info.bmHeight;

  HDC screen = GetDC(nullptr);
  HDC from = CreateCompatibleDC(screen);
  HDC to = CreateCompatibleDC(screen);
  HBITMAP strip = CreateCompatibleBitmap(screen, size * frameCount, size);
  HGDIOBJ oldFrom = SelectObject(from, glyph);
  HGDIOBJ oldTo = SelectObject(to, strip);
  // Nearest-pixel scaling keeps the transparent colour exact at every size.
  SetStretchBltMode(to, COLORONCOLOR);
  for (int i = 0; i < frameCount; ++i) {
    StretchBlt(to, i * size, 0, size, size, from, frames[i] * square, 0, square, square, SRCCOPY);
  }
  SelectObject(from, oldFrom);
  SelectObject(to, oldTo);
  DeleteDC(from);
  DeleteDC(to);
  ReleaseDC(nullptr, screen);
  ImageList_AddMasked(list, strip, transparent);
  DeleteObject(strip);
  DeleteObject(glyph);
  return list;
}

void setButtonImages(HWND button, HIMAGELIST images, int margin) {
  BUTTON_IMAGELIST settings{};
  settings.himl = images;
  settings.margin = RECT{margin, 0, 0, 0};
  settings.uAlign = BUTTON_IMAGELIST_ALIGN_LEFT;
  SendMessageW(button, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&settings));
}

namespace {

struct Collect {
  HWND except;
  std::vector<HWND>* windows;
};

BOOL CALLBACK collectEnabled(HWND window, LPARAM param) {
  auto* c = reinterpret_cast<Collect*>(param);
  if (window != c->except && IsWindowVisible(window) && IsWindowEnabled(window)) {
    c->windows->push_back(window);
  }
  return TRUE;
}

}  // namespace

TaskWindowsDisabled::TaskWindowsDisabled(HWND except) : active_(GetActiveWindow()) {
  Collect c{except, &disabled_};
  EnumThreadWindows(GetCurrentThreadId(), collectEnabled, reinterpret_cast<LPARAM>(&c));
  for (HWND window : disabled_) EnableWindow(window, FALSE);
}

TaskWindowsDisabled::~TaskWindowsDisabled() {
  for (HWND window : disabled_) {
    if (IsWindow(window)) EnableWindow(window, TRUE);
  }
  if (active_ && IsWindow(active_) && IsWindowEnabled(active_)) SetActiveWindow(active_);
}

}  // namespace tarvio::win32ui
