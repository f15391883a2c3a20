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

namespace {

bool inputIsTerminal() {
#ifdef _WIN32
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
#else
  return isatty(STDIN_FILENO) != 0;
#endif
}

std::optional<std::string> readRawLine() {
  std::string line;
  if (!std::getline(std::cin, line)) {
    // The end of the input answers with the default; show it on a line of its own.
    if (!inputIsTerminal()) printLine("");
    return std::nullopt;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace

std::optional<std::string> readLine() {
  auto line = readRawLine();
  // Answers that come from a pipe are not echoed by a terminal: show them, so the transcript reads
  // like a session typed by hand.
  if (line && !inputIsTerminal()) printLine(*line);
  return line;
}

std::optional<std::string> readSecretLine() {
#ifdef _WIN32
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  bool terminal = GetConsoleMode(in, &mode) != 0;
  if (terminal) SetConsoleMode(in, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  auto line = readRawLine();
  if (terminal) SetConsoleMode(in, mode);
  if (line) printLine(terminal ? "" : std::string(line->size(), '*'));
  return line;
#else
  termios saved{};
  bool terminal = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved) == 0;
  if (terminal) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  auto line = readRawLine();
  if (terminal) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
  if (line) printLine(terminal ? "" : std::string(line->size(), '*'));
  return line;
#endif
}

}  // namespace tarvio::console
