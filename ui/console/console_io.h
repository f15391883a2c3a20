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

}  // namespace tarvio::console
