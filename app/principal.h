// TPrincipal: the main window's behaviour, drawn by a rendition (Win32 window or text console).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "common/main_window.h"
#include "platform/desktop.h"

namespace tarvio {

// The main window's three buttons.
enum class MainButton { EfetuarBackup, RestaurarBackup, BackupsEfetuados };

// What the presenter asks of the window that shows it.
class PrincipalView {
 public:
  virtual ~PrincipalView() = default;
  virtual void buttonEnabledChanged(MainButton button, bool enabled) = 0;
  // The progress of a long step, and its end; a view that shows none ignores them.
  virtual void progressChanged(uint64_t /*done*/, uint64_t /*total*/) {}
  virtual void progressHidden() {}
};

// The file-open dialog of the main window, shown through the desktop.
class TPrincipalOpenDialog : public TOpenDialog {
 public:
  TPrincipalOpenDialog();
  FileDialogSettings settings;
  bool Execute() override;
};

// What the buttons start. The rendition's start-up wires in the operations (TBackup::Executar,
// TRestauracao::Executar, the authentication dialog); tests put their own in place.
struct RunOperations {
  std::function<void(bool abrirExplorer)> backup;  // the backup run
  std::function<void()> restore;                  // the restore run
  // Creates the authentication dialog, shows it modally and destroys it when it has closed, also
  // when an error passes. The dialog sets the login flag.
  std::function<void()> authenticate;
};

class TPrincipal : public TMainWindow {
 public:
  // firstArgument: the first command-line argument, already split (empty when there is none).
  TPrincipal(PrincipalView& view, std::string firstArgument, RunOperations operations = {});
  ~TPrincipal() override;

  RunOperations operations;

  StatusLog& ListBox() override { return listBox_; }
  const StatusLog& ListBox() const { return listBox_; }
  TOpenDialog& OpenDialog() override { return openDialog_; }
  bool isLogged() const override { return FisLogged; }
  void setIsLogged(bool value) override { FisLogged = value; }
  bool terminated() override;
  void showProgress(uint64_t done, uint64_t total) override { view_.progressChanged(done, total); }
  void hideProgress() override { view_.progressHidden(); }
  bool buttonEnabled(MainButton button) const;

  // Handlers. They catch nothing: the rendition runs each through runHandler(). A click on
  // "Efetuar Backup" or "Restaurar Backup" that arrives while one of them runs (a double click, a
  // click queued behind a box) starts nothing. "Backups Efetuados" works at any time.
  void btnEfetuarBackupClick();
  void btnRestaurarBackupClick();
  void btnBackupsEfetuadosClick();
  void FormActivate();

 private:
  void setRunButtonsEnabled(bool enabled);
  StatusLog listBox_;
  bool handlerRunning_ = false;  // "Efetuar Backup" or "Restaurar Backup" is in progress
  TPrincipalOpenDialog openDialog_;
  PrincipalView& view_;
  std::string firstArgument_;
  bool FisLogged = false;
  bool efetuarEnabled_ = true;
  bool restaurarEnabled_ = true;
};

// Texts of the main window.
namespace principal_text {
inline constexpr const char* caption = "Tarvio Backup (v 2.0.5-181205)";
inline constexpr const char* applicationTitle = "Tarvio Backup";
inline constexpr const char* warning =
    "Este programa deverá ser executado somente onde está instalado o Servidor do Tarvio, não nas "
    "estações!";
inline constexpr const char* confirmCaption = "Atenção!";
inline constexpr const char* confirmText =
    "Todos os dados atuais serão perdidos! Não há volta!\r\n"
    "Os dados do backup a ser restaurado entrarão em vigor.\r\n"
    "\r\n"
    "Deseja continuar? (Não recomendado.)";
inline constexpr const char* notElevated =
    "A restauração precisa parar o serviço do Tarvio Server e por isso deve ser executada como administrador: "
    "feche o Tarvio Backup, clique nele com o botão direito e escolha \"Executar como administrador\". Nada foi "
    "alterado.";
}  // namespace principal_text

}  // namespace tarvio
