// The progress line of the console.
#include "ui/console/console_progress.h"

#include <algorithm>
#include <iostream>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace tarvio::console {

namespace {

int percentOf(uint64_t done, uint64_t total) {
  if (total == 0) return 100;
  return static_cast<int>(static_cast<double>(std::min(done, total)) / static_cast<double>(total) * 100.0);
}

}  // namespace

bool outputIsTerminal() {
#ifdef _WIN32
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
#else
  return isatty(STDOUT_FILENO) != 0;
#endif
}

std::string ConsoleProgress::text(uint64_t done, uint64_t total) {
  constexpr int megabyte = 20;
  return "Progresso: " + std::to_string(percentOf(done, total)) + "% (" + std::to_string(done >> megabyte) + " de " +
         std::to_string(total >> megabyte) + " MB)";
}

void ConsoleProgress::show(uint64_t done, uint64_t total) {
  if (!terminal_) return;
  int percent = percentOf(done, total);
  if (percent == shownPercent_) return;
  std::string line = text(done, total);
  // The carriage return goes back to the line's start; blanks cover what a longer text left.
  std::cout << '\r' << line << std::string(shownWidth_ > line.size() ? shownWidth_ - line.size() : 0, ' ')
            << std::flush;
  shownPercent_ = percent;
  shownWidth_ = std::max(shownWidth_, line.size());
}

void ConsoleProgress::hide() {
  if (!terminal_ || shownWidth_ == 0) return;
  std::cout << '\r' << std::string(shownWidth_, ' ') << '\r' << std::flush;
  shownPercent_ = -1;
  shownWidth_ = 0;
}

}  // namespace tarvio::console
