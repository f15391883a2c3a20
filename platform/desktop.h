// What the running program asks of its desktop: boxes, dialogs, the message pump, Explorer.
// Implemented by each rendition (Win32 windows, text console) and by scripted fakes in tests.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvio {

// Settings of a file-open dialog.
struct FileDialogSettings {
  std::string title;
  struct Filter {
    std::string description;
    std::string pattern;
  };
  std::vector<Filter> filters;  // the first one is selected when the dialog opens
};

class Desktop {
 public:
  virtual ~Desktop() = default;
  // The message dialog: caption "Tarvio Backup", the text, no icon, one default OK button. Modal.
  virtual void showMessage(std::string_view text) = 0;
  // The error box: caption "Tarvio Backup", stop icon, OK; every window of the program disabled.
  virtual void showError(std::string_view text) = 0;
  // A Yes/No box, modal like the message dialog, No being the default button, no icon. True when
  // the answer is Yes.
  virtual bool askYesNo(std::string_view caption, std::string_view text) = 0;
  // The file-open dialog. The chosen full path, or nullopt when cancelled.
  virtual std::optional<std::string> chooseFile(const FileDialogSettings& settings) = 0;
  // Handles every window message waiting in the queue, then returns.
  virtual void processMessages() = 0;
  // True once the main window has been closed and the application is shutting down.
  virtual bool terminated() = 0;
  // Starts Explorer ("explorer.exe" with the given parameters, SW_SHOWNORMAL); no result.
  virtual void startExplorer(std::string_view parameters) = 0;
};

}  // namespace tarvio
