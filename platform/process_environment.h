// The environment of the command interpreter that runs the scripts, from the program's own.
#pragma once

#include <string>
#include <vector>

#include "platform/process.h"

namespace tarvio {

enum class VariableNames { caseSensitive, windows };

// `inherited` ("NAME=value" entries, Windows' hidden "=C:=C:\..." ones included) without every
// variable whose name begins with "PG", then `settings`, each replacing a variable of the same
// name. With Windows names, letter case is ignored in names and the entries come sorted by name
// as Windows keeps an environment block; otherwise the inherited order is kept and the settings
// come last.
std::vector<std::string> interpreterEnvironment(const std::vector<std::string>& inherited,
                                                const EnvironmentSettings& settings, VariableNames names);

}  // namespace tarvio
