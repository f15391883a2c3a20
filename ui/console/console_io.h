// Line-oriented terminal input and output of the console rendition.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvio::console {

// Prints one line (UTF-8) and flushes.
void printLine(std::string_view text);
// Prints a prompt without a line break.
void prompt(std::string_view text);
// Reads one line without its line break (and a trailing CR); nullopt at the end of input.
std::optional<std::string> readLine();
// The same, without echoing what is typed when the input is a terminal.
std::optional<std::string> readSecretLine();
// Lines typed at a Windows console are read as UTF-16 (ReadConsoleW) and given as UTF-8; input from a
// pipe or a file is read byte for byte, on every system.

// On Windows, the console's output and input code pages are UTF-8 while the object lives, and those
// the console had before are put back when it goes (the console outlives the program). Nothing
// elsewhere.
class Utf8Console {
 public:
  Utf8Console();
  ~Utf8Console();
  Utf8Console(const Utf8Console&) = delete;
  Utf8Console& operator=(const Utf8Console&) = delete;
};
// Puts the code pages back at once, for a program that ends without unwinding (a close request).
void restoreConsoleCodePages();

}  // namespace tarvio::console
