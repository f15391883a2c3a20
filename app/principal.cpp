// TPrincipal: start-up argument, the three buttons and their runs.
#include "app/principal.h"

#include "app/command_line.h"
#include "common/paths.h"
#include "common/scope_exit.h"
#include "common/silent_abort.h"
#include "history/run_history.h"
#include "platform/platform.h"

namespace tarvio {

TPrincipalOpenDialog::TPrincipalOpenDialog() {
  settings.title = "Selecione o Arquivo de Backup";
  settings.filters = {{"Arquivo de Backup", "*.zip"}, {"Arquivo de Backup", "*.backup"}};
}

bool TPrincipalOpenDialog::Execute() {
  auto chosen = desktop().chooseFile(settings);
  if (!chosen) return false;
  FileName = *chosen;
  return true;
}

TPrincipal::TPrincipal(PrincipalView& view, std::string firstArgument, RunOperations runs)
    : operations(std::move(runs)), view_(view), firstArgument_(std::move(firstArgument)) {
  Principal = this;
}

TPrincipal::~TPrincipal() {
  if (Principal == this) Principal = nullptr;
}

bool TPrincipal::terminated() { return desktop().terminated(); }

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
  history::OriginScope startedByTheArgument(history::RunOrigin::windowArgument);
  btnEfetuarBackupClick();
}

void TPrincipal::btnEfetuarBackupClick() {
  if (handlerRunning_) return;
  handlerRunning_ = true;
  ScopeExit handlerEnded([this] { handlerRunning_ = false; });
  listBox_.clear();
  setRunButtonsEnabled(false);
  ScopeExit enableAgain([this] { setRunButtonsEnabled(true); });
  operations.backup(true);
}

void TPrincipal::btnRestaurarBackupClick() {
  if (handlerRunning_) return;
  handlerRunning_ = true;
  ScopeExit handlerEnded([this] { handlerRunning_ = false; });
  if (!desktop().askYesNo(principal_text::confirmCaption, principal_text::confirmText)) {
    throw SilentAbort();
  }
  // Stopping the server's service needs an administrator: a restore that could not stop it would
  // have to give up half-way, so it is told now, before anything has changed.
  if (!server().elevated()) throw std::runtime_error(principal_text::notElevated);
  FisLogged = false;
  operations.authenticate();
  if (!FisLogged) throw SilentAbort();
  listBox_.clear();
  setRunButtonsEnabled(false);
  ScopeExit enableAgain([this] { setRunButtonsEnabled(true); });
  operations.restore();
}

void TPrincipal::btnBackupsEfetuadosClick() {
  if (!fs().directoryExists(paths::backupDir)) fs().createDirectory(paths::backupDir);
  desktop().startExplorer(paths::explorerParameters);
}

}  // namespace tarvio
