// The desktop of the console rendition: boxes and dialogs as text, answers read line by line.
#pragma once

#include <atomic>
#include <string>

#include "platform/desktop.h"

namespace tarvio::console {

class ConsoleDesktop : public Desktop {
 public:
  // driveC: the folder that stands for drive C:\ (POSIX only; told to the user with Explorer's folder).
  explicit ConsoleDesktop(std::string driveC) : driveC_(std::move(driveC)) {}
  void showMessage(std::string_view text) override;
  void showError(std::string_view text) override;
  bool askYesNo(std::string_view caption, std::string_view text) override;
  std::optional<std::string> chooseFile(const FileDialogSettings& settings) override;
  void processMessages() override {}
  bool terminated() override;
  void startExplorer(std::string_view parameters) override;

  // Closing the console window: set by an interrupt (Ctrl+C) and when the menu closes.
  static void requestTermination();

  // Without anyone to answer (the program started with a command, as a scheduler starts it): the
  // boxes are shown and answered with their default at once (OK, No, Cancel), and no Explorer is
  // started.
  void setUnattended(bool unattended) { unattended_ = unattended; }

 private:
  std::string driveC_;
  bool unattended_ = false;
};

}  // namespace tarvio::console
