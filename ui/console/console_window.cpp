// The console rendition of the main window and of the authentication dialog.
#include "ui/console/console_window.h"

#include "app/error_display.h"
#include "platform/platform.h"
#include "ui/console/console_desktop.h"
#include "ui/console/console_io.h"

namespace tarvio::console {

namespace {

constexpr const char* escapeLine = "\x1b";

// The authentication dialog as prompts: user line, password line, then OK.
class ConsoleAuthDialog : public AutenticacaoView {
 public:
  explicit ConsoleAuthDialog(TAutenticacao& dialog) : dialog_(dialog) {}

  void run() {
    printLine("");
    printLine(std::string("== ") + autenticacao_text::caption + " ==");
    printLine(autenticacao_text::groupCaption);
    printLine("(Esc e Enter em qualquer campo: Cancelar)");
    while (!closed_) {
      prompt(std::string(autenticacao_text::userLabel) + ": ");
      auto user = readLine();
      if (!user || *user == escapeLine) break;
      prompt(std::string(autenticacao_text::passwordLabel) + ": ");
      auto password = readSecretLine();
      if (!password || *password == escapeLine) break;
      user_ = *user;
      password_ = *password;
      runHandler([this] { dialog_.bbOKClick(); });
    }
    if (!closed_) close();
  }

  std::string userText() override { return user_; }
  std::string passwordText() override { return password_; }
  void setUserText(std::string_view text) override { user_ = text; }
  void setPasswordText(std::string_view text) override { password_ = text; }
  void focusUser() override {}
  void close() override {
    if (closed_) return;
    closed_ = true;
    TAutenticacao::TCloseAction action = TAutenticacao::TCloseAction::caHide;
    dialog_.FormClose(action);  // the main window destroys the dialog itself afterwards
  }

 private:
  TAutenticacao& dialog_;
  std::string user_;
  std::string password_;
  bool closed_ = false;
};

}  // namespace

void ConsoleWindow::show(const TPrincipal& principal) {
  printLine(principal_text::caption);
  printLine(principal_text::warning);
  printLine("-- Status --");
  for (const auto& line : principal.ListBox().lines()) printLine(line);
}

void ConsoleWindow::runMenu(TPrincipal& principal) {
  while (!desktop().terminated()) {
    printLine("");
    printLine("-- Ação --  1 Efetuar Backup | 2 Restaurar Backup | 3 Backups Efetuados | 0 Fechar");
    prompt("> ");
    auto choice = readLine();
    if (!choice || *choice == "0") break;
    if (*choice == "1" && principal.buttonEnabled(MainButton::EfetuarBackup)) {
      runHandler([&] { principal.btnEfetuarBackupClick(); });
    } else if (*choice == "2" && principal.buttonEnabled(MainButton::RestaurarBackup)) {
      runHandler([&] { principal.btnRestaurarBackupClick(); });
    } else if (*choice == "3") {
      runHandler([&] { principal.btnBackupsEfetuadosClick(); });
    }
  }
  ConsoleDesktop::requestTermination();
}

void ConsoleWindow::buttonEnabledChanged(MainButton, bool) {}

void ConsoleWindow::showAuthenticationDialog(TAutenticacao& dialog) {
  ConsoleAuthDialog view(dialog);
  dialog.attach(&view);
  view.run();
  dialog.attach(nullptr);
}

void ConsoleWindow::lineAdded(const std::string& line) {
  // A status line never shares its line with the progress: the next report draws it again below.
  progress_.hide();
  printLine(line);
}

}  // namespace tarvio::console
