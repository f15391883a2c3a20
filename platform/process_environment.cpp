// The environment of the command interpreter.
#include "platform/process_environment.h"

#include <algorithm>

#include "common/ascii.h"

namespace tarvio {

namespace {

// The name of an entry: up to its "=", not counting a leading one ("=C:=C:\x" is named "=C:").
std::string_view nameOf(std::string_view entry) {
  size_t eq = entry.find('=', 1);
  return entry.substr(0, eq == std::string_view::npos ? entry.size() : eq);
}

bool sameName(std::string_view a, std::string_view b, VariableNames names) {
  return names == VariableNames::windows ? equalsIgnoringAsciiCase(a, b) : a == b;
}

bool isPostgresSetting(std::string_view name, VariableNames names) {
  return name.size() >= 2 && sameName(name.substr(0, 2), "PG", names);
}

std::string upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

}  // namespace

std::vector<std::string> interpreterEnvironment(const std::vector<std::string>& inherited,
                                                const EnvironmentSettings& settings, VariableNames names) {
  std::vector<std::string> entries;
  for (const auto& entry : inherited) {
    std::string_view name = nameOf(entry);
    if (isPostgresSetting(name, names)) continue;
    bool replaced = std::any_of(settings.begin(), settings.end(),
                                [&](const auto& setting) { return sameName(name, setting.first, names); });
    if (!replaced) entries.push_back(entry);
  }
  for (const auto& [name, value] : settings) entries.push_back(name + "=" + value);
  if (names == VariableNames::windows) {
    std::stable_sort(entries.begin(), entries.end(), [](const std::string& a, const std::string& b) {
      return upper(nameOf(a)) < upper(nameOf(b));
    });
  }
  return entries;
}

}  // namespace tarvio
