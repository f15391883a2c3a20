// Terminal input and output for the console rendition.
#include "ui/console/console_io.h"

#include <cstdio>
#include <iostream>

#ifdef _WIN32
#include <windows.h>

#include <atomic>
#include <iterator>

#include "platform/win32/wide.h"
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

#ifdef _WIN32
// The code pages the console had before the program set UTF-8; 0: none (no console, or not set).
std::atomic<UINT> outputPageBefore{0};
std::atomic<UINT> inputPageBefore{0};

// A line typed at the console, read as UTF-16: the console host of Windows 10 and Server 2019 gives
// ReadFile a NUL byte for every non-ASCII character typed under the UTF-8 input code page.
// nullopt at the end of the input (Ctrl+Z at the start of a line, a closed console).
std::optional<std::string> readConsoleLine(HANDLE in) {
  std::wstring typed;
  wchar_t buffer[512];
  while (typed.find(L'\n') == std::wstring::npos) {
    DWORD got = 0;
    if (!ReadConsoleW(in, buffer, static_cast<DWORD>(std::size(buffer)), &got, nullptr) || got == 0) {
      if (typed.empty()) return std::nullopt;
      break;
    }
    typed.append(buffer, got);
  }
  if (!typed.empty() && typed.front() == L'\x1a') return std::nullopt;
  while (!typed.empty() && (typed.back() == L'\n' || typed.back() == L'\r')) typed.pop_back();
  return narrow(typed);
}
#endif

std::optional<std::string> readRawLine() {
#ifdef _WIN32
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  if (GetConsoleMode(in, &mode)) return readConsoleLine(in);  // pipes and files are read byte for byte below
#endif
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

Utf8Console::Utf8Console() {
#ifdef _WIN32
  outputPageBefore = GetConsoleOutputCP();
  inputPageBefore = GetConsoleCP();
  SetConsoleOutputCP(CP_UTF8);
  SetConsoleCP(CP_UTF8);
#endif
}

Utf8Console::~Utf8Console() {
  std::cout.flush();
  restoreConsoleCodePages();
}

void restoreConsoleCodePages() {
#ifdef _WIN32
  if (UINT page = outputPageBefore.exchange(0)) SetConsoleOutputCP(page);
  if (UINT page = inputPageBefore.exchange(0)) SetConsoleCP(page);
#endif
}

}  // namespace tarvio::console
