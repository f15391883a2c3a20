// The login dialog's window in process, under Wine, against the local HTTPS login service: while
// a login request is in flight the dialog keeps answering, and OK pressed again is not queued up.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/principal.h"
#include "auth/autenticacao.h"
#include "tests/support/login_service/test_login_service.h"
#include "tests/win32/gui_driver_kit.h"
#include "tests/support/login_service/test_platform.h"
#include "ui/win32/authentication_window.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/win32_desktop.h"

namespace tarvio::win32ui {
namespace {

struct NoPrincipalView : PrincipalView {
  void buttonEnabledChanged(MainButton, bool) override {}
};

TEST(LoginDialog, KeepsAnsweringWhileTheLoginServiceTakesItsTime) {
  test::LoginTestPlatform platform;  // the boxes of the attempt are recorded, not shown
  test::LoginService service;
  test::Answer slowToken = test::json(200, "{\"token_type\":\"bearer\",\"access_token\":\"tok\"}");
  slowToken.delaySeconds = 2;
  service.answer(1, slowToken);
  service.answer(2, test::json(200, "{\"administrador\":true}"));
  NoPrincipalView principalView;
  TPrincipal principal(principalView, "");
  Win32Desktop desktop(GetModuleHandleW(nullptr));
  TAutenticacao dialog;
  AuthenticationWindow window(GetModuleHandleW(nullptr), nullptr, dialog, desktop);

  std::atomic<bool> inFlight{false};
  std::atomic<bool> answered{false};
  std::thread user([&] {
    // Visible once its fields exist: the window is listed as soon as it is created, before them.
    HWND found = guitest::waitForWindow(GetCurrentProcessId(), authenticationWindowClass, nullptr, 30000);
    if (!found) return;
    SendMessageW(GetDlgItem(found, ids::authUser), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"joão"));
    SendMessageW(GetDlgItem(found, ids::authPassword), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"segredo"));
    PostMessageW(found, WM_COMMAND, IDOK, 0);
    for (int waited = 0; waited < 30000 && service.requests().empty(); waited += 10) Sleep(10);
    inFlight = !service.requests().empty() && service.requests().size() < 2;
    // The token's answer is 2 s away: the dialog answers meanwhile, within a second.
    DWORD_PTR result = 0;
    answered = SendMessageTimeoutW(found, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result) != 0;
    PostMessageW(found, WM_COMMAND, IDOK, 0);  // pressed again while the attempt runs
    // A dialog still open long after the answers came (the login failed) is closed, so that the
    // expectations below tell what went wrong instead of the test waiting for ever.
    if (!guitest::waitGone(found, 60000)) PostMessageW(found, WM_CLOSE, 0, 0);
  });
  window.runModal();
  user.join();

  EXPECT_TRUE(inFlight) << "the token request was in flight";
  EXPECT_TRUE(answered) << "the dialog answered while the request was in flight";
  EXPECT_TRUE(principal.isLogged()) << "the principal user logged in and the dialog closed";
  EXPECT_EQ(service.requests().size(), 2u) << "one attempt: OK pressed during it was not queued up";
  EXPECT_TRUE(platform.desktop.calls.empty());
}

}  // namespace
}  // namespace tarvio::win32ui
