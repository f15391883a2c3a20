// The main window and the authentication dialog of the console rendition.
#pragma once

#include "app/principal.h"
#include "auth/autenticacao.h"

namespace tarvio::console {

class ConsoleWindow : public PrincipalView, public StatusLog::Listener {
 public:
  // Shows the window: its caption, warning line and the status log as it stands.
  void show(const TPrincipal& principal);
  // The menu of the three buttons, until "0" or the end of input closes the window.
  void runMenu(TPrincipal& principal);

  // PrincipalView
  void buttonEnabledChanged(MainButton button, bool enabled) override;
  // Runs the authentication dialog modally as prompts; returns when it has closed.
  void showAuthenticationDialog(TAutenticacao& dialog);

  // StatusLog::Listener: every line is printed once, when it is added.
  void lineAdded(const std::string& line) override;
  void lastLineSelected() override {}
  void cleared() override {}
};

}  // namespace tarvio::console
