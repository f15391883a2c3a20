// How far a long step has come, on the console: one line drawn again in place as the step goes on
// and erased when it ends. Only on a terminal: piped output gets nothing of it, so scripts that read
// the status lines see exactly those.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarvio::console {

// True when the standard output is a terminal (a console window on Windows).
bool outputIsTerminal();

class ConsoleProgress {
 public:
  explicit ConsoleProgress(bool terminal) : terminal_(terminal) {}

  // Draws the line for bytes done of bytes to do, when its percentage has changed.
  void show(uint64_t done, uint64_t total);
  // Erases the line, if one is drawn.
  void hide();

  // The line's text: "Progresso: 42% (120 de 290 MB)".
  static std::string text(uint64_t done, uint64_t total);

 private:
  bool terminal_;
  int shownPercent_ = -1;
  std::size_t shownWidth_ = 0;
};

}  // namespace tarvio::console
