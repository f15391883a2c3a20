// The main window and the authentication dialog of the console rendition.
#pragma once

#include "app/principal.h"
#include "auth/autenticacao.h"
#include "ui/console/console_progress.h"

namespace tarvio::console {

class ConsoleWindow : public PrincipalView, public StatusLog::Listener {
 public:
  // Shows the window: its caption, warning line and the status log as it stands.
  void show(const TPrincipal& principal);
  // The menu of the three buttons, until "0" or the end of input closes the window.
  void runMenu(TPrincipal& principal);

  // PrincipalView
  void buttonEnabledChanged(MainButton button, bool enabled) override;
  // A progress line on a terminal; nothing in piped output.
  void progressChanged(uint64_t done, uint64_t total) override { progress_.show(done, total); }
  void progressHidden() override { progress_.hide(); }
  // Runs the authentication dialog modally as prompts; returns when it has closed.
  void showAuthenticationDialog(TAutenticacao& dialog);

  // StatusLog::Listener: every line is printed once, when it is added.
  void lineAdded(const std::string& line) override;
  void lastLineSelected() override {}
  void cleared() override {}

 private:
  ConsoleProgress progress_{outputIsTerminal()};
};

}  // namespace tarvio::console
