// The console program started with a command: the runs an administrator leaves running and the
// history, without a question, each ending with its exit code.
#pragma once

#include <string_view>

#include "ui/console/console_command.h"

namespace tarvio::console {

// Runs a command other than the menu and help, printing its status lines and a closing line with the
// outcome; returns the exit code.
int runConsoleCommand(const ConsoleCommand& command);

}  // namespace tarvio::console
