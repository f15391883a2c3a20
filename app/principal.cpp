// TPrincipal: start-up argument, the three buttons and their runs.
#include "app/principal.h"

#include "app/command_line.h"
#include "app/paths.h"
#include "app/silent_abort.h"
#include "auth/autenticacao.h"
#include "backup/backup.h"
#include "platform/platform.h"
#include "platform/scope_exit.h"
#include "restore/restauracao.h"

namespace tarvio {

TPrincipal* Principal = nullptr;

TOpenDialog::TOpenDialog() {
  settings.title = "Selecione o Arquivo de Backup";
  settings.filters = {{"Arquivo de Backup", "*.zip"}, {"Arquivo de Backup", "*.backup"}};
}

bool TOpenDialog::Execute() {
  auto chosen = desktop().chooseFile(settings);
  if (!chosen) return false;
  FileName = *chosen;
  return true;
}

TPrincipal::TPrincipal(PrincipalView& view, std::string firstArgument)
    : view_(view), firstArgument_(std::move(firstArgument)) {
  operations.backup = TBackup::Executar;
  operations.restore = TRestauracao::Executar;
  Principal = this;
}

TPrincipal::~TPrincipal() {
  if (Principal == this) Principal = nullptr;
}

bool TPrincipal::buttonEnabled(MainButton button) const {
  switch (button) {
    case MainButton::EfetuarBackup:
      return efetuarEnabled_;
    case MainButton::RestaurarBackup:
      return restaurarEnabled_;
    case MainButton::BackupsEfetuados:
      return true;
  }
  return true;
}

void TPrincipal::setRunButtonsEnabled(bool enabled) {
  efetuarEnabled_ = enabled;
  view_.buttonEnabledChanged(MainButton::EfetuarBackup, enabled);
  restaurarEnabled_ = enabled;
  view_.buttonEnabledChanged(MainButton::RestaurarBackup, enabled);
}

void TPrincipal::FormActivate() {
  if (!isBackupArgument(firstArgument_)) return;
  btnEfetuarBackupClick();
}

void TPrincipal::btnEfetuarBackupClick() {
  ListBox.clear();
  setRunButtonsEnabled(false);
  ScopeExit enableAgain([this] { setRunButtonsEnabled(true); });
  operations.backup(true);
}

void TPrincipal::btnRestaurarBackupClick() {
  if (!desktop().askYesNo(principal_text::confirmCaption, principal_text::confirmText)) {
    throw SilentAbort();
  }
  FisLogged = false;
  {
    // The main window owns the dialog and destroys it after the modal run, also on an error.
    auto dialog = std::make_unique<TAutenticacao>();
    view_.showAuthenticationDialog(*dialog);
  }
  if (!FisLogged) throw SilentAbort();
  ListBox.clear();
  setRunButtonsEnabled(false);
  ScopeExit enableAgain([this] { setRunButtonsEnabled(true); });
  operations.restore();
}

void TPrincipal::btnBackupsEfetuadosClick() {
  if (!fs().directoryExists(paths::backupDir)) fs().createDirectory(paths::backupDir);
  desktop().startExplorer(paths::explorerParameters);
}

}  // namespace tarvio
