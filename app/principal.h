// TPrincipal: the main window's behaviour, drawn by a rendition (Win32 window or text console).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/status_log.h"
#include "platform/desktop.h"

namespace tarvio {

class TAutenticacao;

// The main window's three buttons.
enum class MainButton { EfetuarBackup, RestaurarBackup, BackupsEfetuados };

// What the presenter asks of the window that shows it.
class PrincipalView {
 public:
  virtual ~PrincipalView() = default;
  virtual void buttonEnabledChanged(MainButton button, bool enabled) = 0;
  // Creates the authentication dialog's window for `dialog`, runs it modally and returns when it
  // has closed. Each press of its OK button runs dialog.bbOKClick() through runHandler().
  virtual void showAuthenticationDialog(TAutenticacao& dialog) = 0;
};

// The restore run's file chooser.
class TOpenDialog {
 public:
  TOpenDialog();
  FileDialogSettings settings;
  std::string FileName;  // the chosen full path, read again by each restore step that needs it
  // Shows the dialog modally; true when a file was chosen (FileName is then set).
  bool Execute();
};

// The runs that the buttons start; tests put their own in place.
struct RunOperations {
  std::function<void(bool abrirExplorer)> backup;  // TBackup::Executar
  std::function<void()> restore;                  // TRestauracao::Executar
};

class TPrincipal {
 public:
  // firstArgument: the first command-line argument, already split (empty when there is none).
  TPrincipal(PrincipalView& view, std::string firstArgument);
  ~TPrincipal();

  StatusLog ListBox;
  TOpenDialog OpenDialog;
  RunOperations operations;

  bool isLogged() const { return FisLogged; }
  void setIsLogged(bool value) { FisLogged = value; }
  bool buttonEnabled(MainButton button) const;

  // Handlers. They catch nothing: the rendition runs each through runHandler().
  void btnEfetuarBackupClick();
  void btnRestaurarBackupClick();
  void btnBackupsEfetuadosClick();
  void FormActivate();

 private:
  void setRunButtonsEnabled(bool enabled);
  PrincipalView& view_;
  std::string firstArgument_;
  bool FisLogged = false;
  bool efetuarEnabled_ = true;
  bool restaurarEnabled_ = true;
};

// The one main window, reached by the backup and restore routines and the authentication dialog.
extern TPrincipal* Principal;

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
}  // namespace principal_text

}  // namespace tarvio
