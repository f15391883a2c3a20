// The command texts that are built from pieces.
#include "exec/commands.h"

#include "app/paths.h"

namespace tarvio::commands {

std::string sqlQuoted(std::string_view text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') quoted += '\'';
    quoted += c;
  }
  quoted += '\'';
  return quoted;
}

std::string endConnectionsScript() {
  std::string script(endConnectionsPassword);
  script += "\r\n";
  script += endConnectionsStatementStart;
  script += sqlQuoted(paths::databaseName);
  script += endConnectionsStatementEnd;
  return script;
}

}  // namespace tarvio::commands
