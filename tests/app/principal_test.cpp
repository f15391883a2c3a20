// The main window's handlers: states, clean-up order, confirmation, login flag.
#include "app/principal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "app/error_display.h"
#include "common/silent_abort.h"
#include "history/run_history.h"
#include "platform/platform.h"
#include "tests/support/fake_desktop.h"
#include "tests/support/scoped_platform.h"

namespace tarvio {
namespace {

class FakeView : public PrincipalView {
 public:
  std::vector<std::string>* events = nullptr;

  void buttonEnabledChanged(MainButton button, bool enabled) override {
    const char* name = button == MainButton::EfetuarBackup     ? "Efetuar"
                       : button == MainButton::RestaurarBackup ? "Restaurar"
                                                               : "Efetuados";
    events->push_back(std::string(enabled ? "enable " : "disable ") + name);
  }
};

// The server's state as the restore click sees it: only the program's elevation matters here.
class FakeServer : public ServerStatus {
 public:
  bool isElevated = true;
  std::vector<std::string> runningProcesses(const std::vector<std::string>&) override { return {}; }
  bool serviceRunning(std::string_view) override { return false; }
  bool elevated() override { return isElevated; }
};

class PrincipalTest : public ::testing::Test {
 protected:
  void SetUp() override { view.events = &events; }

  std::unique_ptr<TPrincipal> make(const std::string& firstArgument = "") {
    auto p = std::make_unique<TPrincipal>(view, firstArgument);
    p->operations.backup = [this](bool abrirExplorer) {
      events.push_back(abrirExplorer ? "backup interactive" : "backup safety");
      Principal->ListBox().addAndSelectLast("linha do backup...");
      if (failWith) std::rethrow_exception(failWith);
    };
    p->operations.restore = [this] {
      events.push_back("restore");
      if (failWith) std::rethrow_exception(failWith);
    };
    p->operations.authenticate = [this] {
      events.push_back("dialog");
      if (onAuthentication) onAuthentication();
    };
    return p;
  }

  test::FakeDesktop desktop;
  FakeServer server;
  test::ScopedPlatform installed{Platform{nullptr, nullptr, nullptr, &desktop, nullptr, nullptr, &server}};
  FakeView view;
  std::vector<std::string> events;
  std::function<void()> onAuthentication;  // what the user does in the dialog
  std::exception_ptr failWith;
};

const std::vector<std::string> backupRun = {"disable Efetuar", "disable Restaurar",
                                            "backup interactive", "enable Efetuar",
                                            "enable Restaurar"};

TEST_F(PrincipalTest, backup_click_clears_the_log_and_restores_the_buttons_however_it_ends) {
  for (auto failure : {std::exception_ptr(), std::make_exception_ptr(std::runtime_error("x")),
                       std::make_exception_ptr(SilentAbort())}) {
    events.clear();
    failWith = failure;
    auto p = make();
    p->ListBox().add("velha");
    bool ok = runHandler([&] { p->btnEfetuarBackupClick(); });
    EXPECT_EQ(ok, failure == nullptr);
    EXPECT_EQ(events, backupRun);
    EXPECT_EQ(p->ListBox().lines(), std::vector<std::string>{"linha do backup..."});
    EXPECT_TRUE(p->buttonEnabled(MainButton::EfetuarBackup));
    EXPECT_TRUE(p->buttonEnabled(MainButton::RestaurarBackup));
  }
  // A plain error reaches the error box; the silent abort does not.
  EXPECT_EQ(desktop.calls, std::vector<std::string>{"error: x."});
}

TEST_F(PrincipalTest, buttons_are_disabled_while_the_run_executes) {
  auto p = make();
  p->operations.backup = [&](bool) {
    EXPECT_FALSE(p->buttonEnabled(MainButton::EfetuarBackup));
    EXPECT_FALSE(p->buttonEnabled(MainButton::RestaurarBackup));
    EXPECT_TRUE(p->buttonEnabled(MainButton::BackupsEfetuados));
  };
  p->btnEfetuarBackupClick();
}

TEST_F(PrincipalTest, form_activate_runs_one_backup_only_for_the_backup_argument) {
  for (const char* arg : {"backup", "BACKUP", "Backup"}) {
    events.clear();
    auto p = make(arg);
    p->FormActivate();
    EXPECT_EQ(events, backupRun) << arg;
    EXPECT_EQ(p->ListBox().lines(), std::vector<std::string>{"linha do backup..."});
  }
  for (const char* arg : {"", "/backup", "-backup", "backupx"}) {
    events.clear();
    auto p = make(arg);
    p->FormActivate();
    EXPECT_TRUE(events.empty()) << arg;
    EXPECT_EQ(p->ListBox().lines(), std::vector<std::string>{"Aguardando ação..."});
  }
}

// The history tells a backup started by the argument from one started by a click.
TEST_F(PrincipalTest, the_history_hears_how_a_backup_was_started) {
  std::vector<std::string> origins;
  auto p = make("backup");
  p->operations.backup = [&](bool) { origins.emplace_back(history::originText(history::runOrigin())); };
  p->FormActivate();
  p->btnEfetuarBackupClick();
  EXPECT_EQ(origins, (std::vector<std::string>{"argumento backup", "janela"}));
}

TEST_F(PrincipalTest, restore_answered_no_changes_nothing) {
  auto p = make();
  p->ListBox().add("anterior");
  desktop.yesNoAnswers = {false};
  EXPECT_THROW(p->btnRestaurarBackupClick(), SilentAbort);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(p->ListBox().lines(), (std::vector<std::string>{"Aguardando ação...", "anterior"}));
  ASSERT_EQ(desktop.calls.size(), 1u);
  EXPECT_EQ(desktop.calls[0],
            "yesno: Atenção! | Todos os dados atuais serão perdidos! Não há volta!\r\n"
            "Os dados do backup a ser restaurado entrarão em vigor.\r\n\r\n"
            "Deseja continuar? (Não recomendado.)");
}

TEST_F(PrincipalTest, restore_without_login_ends_silently_and_leaves_the_log) {
  auto p = make();
  p->setIsLogged(true);  // a login of an earlier click does not count
  desktop.yesNoAnswers = {true};
  EXPECT_THROW(p->btnRestaurarBackupClick(), SilentAbort);
  EXPECT_EQ(events, std::vector<std::string>{"dialog"});
  EXPECT_FALSE(p->isLogged());
  EXPECT_EQ(p->ListBox().lines(), std::vector<std::string>{"Aguardando ação..."});
}

TEST_F(PrincipalTest, restore_after_login_runs_with_the_buttons_disabled_and_enables_them_after_an_error) {
  auto p = make();
  onAuthentication = [&] { Principal->setIsLogged(true); };
  failWith = std::make_exception_ptr(std::runtime_error("falhou"));
  desktop.yesNoAnswers = {true};
  EXPECT_FALSE(runHandler([&] { p->btnRestaurarBackupClick(); }));
  EXPECT_EQ(events, (std::vector<std::string>{"dialog", "disable Efetuar", "disable Restaurar", "restore",
                                              "enable Efetuar", "enable Restaurar"}));
  EXPECT_TRUE(p->ListBox().lines().empty());
  EXPECT_EQ(desktop.calls.back(), "error: falhou.");
}

TEST_F(PrincipalTest, restore_without_administrator_rights_is_refused_before_the_login) {
  auto p = make();
  p->ListBox().add("anterior");
  server.isElevated = false;
  desktop.yesNoAnswers = {true};
  EXPECT_FALSE(runHandler([&] { p->btnRestaurarBackupClick(); }));
  EXPECT_TRUE(events.empty()) << "no login dialog, no run";
  EXPECT_EQ(desktop.calls.back(),
            "error: A restauração precisa parar o serviço do Tarvio Server e por isso deve ser executada como "
            "administrador: feche o Tarvio Backup, clique nele com o botão direito e escolha \"Executar como "
            "administrador\". Nada foi alterado.");
  EXPECT_EQ(p->ListBox().lines(), (std::vector<std::string>{"Aguardando ação...", "anterior"}));
}

// A click that reaches a handler while another handler runs (a double click, a click queued
// behind a box) starts nothing: no second confirmation, no run inside a run.
TEST_F(PrincipalTest, no_handler_starts_while_another_runs) {
  auto p = make();
  TPrincipal& principal = *p;
  auto clickAgain = [&] {
    events.push_back("clicks");
    principal.btnEfetuarBackupClick();
    principal.btnRestaurarBackupClick();
    principal.FormActivate();
  };
  p->operations.backup = [&](bool) {
    events.push_back("backup");
    clickAgain();
  };
  p->operations.restore = [&] {
    events.push_back("restore");
    clickAgain();
  };
  onAuthentication = [&] {
    clickAgain();
    Principal->setIsLogged(true);
  };
  desktop.yesNoAnswers = {true, true, true};

  p->btnEfetuarBackupClick();
  p->btnRestaurarBackupClick();
  EXPECT_EQ(events, (std::vector<std::string>{"disable Efetuar", "disable Restaurar", "backup", "clicks",
                                              "enable Efetuar", "enable Restaurar", "dialog", "clicks", "disable Efetuar",
                                              "disable Restaurar", "restore", "clicks", "enable Efetuar",
                                              "enable Restaurar"}));
  EXPECT_EQ(desktop.calls.size(), 1u) << "one confirmation only";

  // Once a handler has ended, the next click runs again, also after an error.
  events.clear();
  p->operations.backup = [&](bool) {
    events.push_back("backup");
    throw std::runtime_error("falhou");
  };
  EXPECT_FALSE(runHandler([&] { p->btnEfetuarBackupClick(); }));
  EXPECT_FALSE(runHandler([&] { p->btnEfetuarBackupClick(); }));
  EXPECT_EQ(std::count(events.begin(), events.end(), "backup"), 2);
}

}  // namespace
}  // namespace tarvio
