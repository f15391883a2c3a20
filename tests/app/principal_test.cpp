// The main window's handlers: states, clean-up order, confirmation, login flag.
#include "app/principal.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "app/error_display.h"
#include "common/silent_abort.h"
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

}  // namespace
}  // namespace tarvio
