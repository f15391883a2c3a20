// The Windows program's windows in process, under Wine: work on a worker thread while the window
// thread keeps answering, tasks sent back to the window thread, and the login dialog drawn anew
// for a change of DPI.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>

#include "auth/autenticacao.h"
#include "tests/win32/gui_driver_kit.h"
#include "ui/win32/authentication_window.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/ui_thread.h"
#include "ui/win32/win32_desktop.h"
#include "ui/win32/window_kit.h"

namespace tarvio::win32ui {
namespace {

HINSTANCE instance() { return GetModuleHandleW(nullptr); }

// A control's rectangle in its parent's client coordinates.
RECT rectIn(HWND control, HWND parent) {
  RECT r{};
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// A plain window of the calling thread.
struct PlainWindow {
  HWND handle = CreateWindowExW(0, WC_STATICW, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, instance(), nullptr);
  ~PlainWindow() { DestroyWindow(handle); }
};

TEST(UiThread, TasksOfAWorkerRunOnTheWindowThreadAndTheirErrorsComeBack) {
  UiThread ui(instance());
  const DWORD windowThread = GetCurrentThreadId();
  DWORD workerThread = 0;
  DWORD taskThread = 0;
  std::string error;
  int answer = 0;
  ui.runOnWorker([&] {
    workerThread = GetCurrentThreadId();
    ui.call([&] { taskThread = GetCurrentThreadId(); });
    answer = ui.get([&] { return ui.isCurrent() ? 42 : -1; });
    try {
      ui.call([] { throw std::runtime_error("na janela"); });
    } catch (const std::runtime_error& e) {
      error = e.what();
    }
  });
  EXPECT_NE(workerThread, windowThread);
  EXPECT_EQ(taskThread, windowThread);
  EXPECT_EQ(answer, 42);
  EXPECT_EQ(error, "na janela");
}

TEST(UiThread, TheWindowThreadAnswersWhileTheWorkRunsAndGetsItsError) {
  UiThread ui(instance());
  PlainWindow window;
  std::atomic<bool> answered{false};
  // The work waits for another thread's message to a window of the window thread: it is answered
  // only if the window thread handles messages meanwhile.
  EXPECT_THROW(ui.runOnWorker([&] {
                 std::thread other([&] {
                   DWORD_PTR result = 0;
                   answered = SendMessageTimeoutW(window.handle, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result) != 0;
                 });
                 other.join();
                 throw std::runtime_error("a etapa falhou");
               }),
               std::runtime_error);
  EXPECT_TRUE(answered);
}

TEST(UiThread, AQuitMetDuringTheWorkIsLeftForTheLoopThatWaitsForIt) {
  UiThread ui(instance());
  ui.runOnWorker([&] { ui.call([] { PostQuitMessage(3); }); });
  MSG msg{};
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
}

// What the login dialog looks like after Windows told it that its monitor's DPI is now 144.
struct DialogAt144 {
  bool found = false;
  RECT suggested{};
  RECT window{};
  RECT user{};
  RECT ok{};
  LONG fontHeight = 0;
  int glyphSide = 0;
};

TEST(AuthenticationWindow, FollowsAChangeOfDpi) {
  Win32Desktop desktop(instance());
  TAutenticacao dialog;
  AuthenticationWindow window(instance(), nullptr, dialog, desktop);
  constexpr UINT dpi = 144;
  DialogAt144 seen;
  std::thread windows([&] {
    // Visible once its fields exist.
    HWND found = guitest::waitForWindow(GetCurrentProcessId(), authenticationWindowClass, nullptr, 30000);
    if (!found) return;
    seen.found = true;
    SIZE outer = outerSizeForClient(260, 152, GetWindowLongW(found, GWL_STYLE), GetWindowLongW(found, GWL_EXSTYLE), dpi);
    seen.suggested = RECT{30, 40, 30 + outer.cx, 40 + outer.cy};
    SendMessageW(found, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&seen.suggested));
    GetWindowRect(found, &seen.window);
    HWND user = GetDlgItem(found, ids::authUser);
    HWND ok = GetDlgItem(found, IDOK);
    seen.user = rectIn(user, found);
    seen.ok = rectIn(ok, found);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(user, WM_GETFONT, 0, 0)), sizeof font, &font);
    seen.fontHeight = font.lfHeight;
    BUTTON_IMAGELIST images{};
    SendMessageW(ok, BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&images));
    int cx = 0, cy = 0;
    if (images.himl) ImageList_GetIconSize(images.himl, &cx, &cy);
    seen.glyphSide = cx;
    PostMessageW(found, WM_CLOSE, 0, 0);
  });
  window.runModal();
  windows.join();

  ASSERT_TRUE(seen.found);
  EXPECT_TRUE(EqualRect(&seen.window, &seen.suggested)) << "placed in the rectangle Windows suggests";
  EXPECT_EQ(seen.user.left, scale(15, dpi));
  EXPECT_EQ(seen.user.top, scale(41, dpi));
  EXPECT_EQ(seen.user.right - seen.user.left, scale(169, dpi));
  EXPECT_EQ(seen.user.bottom - seen.user.top, scale(21, dpi));
  EXPECT_EQ(seen.ok.left, scale(101, dpi));
  EXPECT_EQ(seen.ok.right - seen.ok.left, scale(75, dpi));
  EXPECT_EQ(seen.fontHeight, -MulDiv(8, dpi, 72)) << "Tahoma 8 point at 144 DPI";
  EXPECT_EQ(seen.glyphSide, scale(18, dpi));
}

}  // namespace
}  // namespace tarvio::win32ui
