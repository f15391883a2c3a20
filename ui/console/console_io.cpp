// Terminal input and output for the console rendition.
#include "ui/console/console_io.h"

#include <cstdio>
#include <iostream>

#ifdef _WIN32
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

namespace tarvio::console {

void printLine(std::string_view text) {
  std::cout << text << '\n' << std::flush;
}

void prompt(std::string_view text) { std::cout << text << std::flush; }

std::optional<std::string> readLine() {
  std::string line;
  if (!std::getline(std::cin, line)) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::optional<std::string> readSecretLine() {
#ifdef _WIN32
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  bool terminal = GetConsoleMode(in, &mode) != 0;
  if (terminal) SetConsoleMode(in, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  auto line = readLine();
  if (terminal) {
    SetConsoleMode(in, mode);
    printLine("");
  }
  return line;
#else
  termios saved{};
  bool terminal = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved) == 0;
  if (terminal) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  auto line = readLine();
  if (terminal) {
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    printLine("");
  }
  return line;
#endif
}

}  // namespace tarvio::console
