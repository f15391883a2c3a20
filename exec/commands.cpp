// The command texts, put together from the fixed paths and the connection settings of the two
// PostgreSQL instances.
#include "exec/commands.h"

#include <stdexcept>

#include "common/paths.h"

namespace tarvio::commands {

namespace {

// One way to reach the database: the instance's port, the role and its password.
struct Connection {
  std::string_view port;
  std::string_view role;
  std::string_view password;
};
constexpr Connection first{"5432", "postgres", "plovertin"};

std::string text(std::string_view piece) { return std::string(piece); }

std::string program(std::string_view folder, std::string_view name) {
  return text(folder) + "\\" + text(name);
}

std::string lines(std::initializer_list<std::string> each) {
  std::string joined;
  for (const auto& line : each) joined += (joined.empty() ? "" : "\r\n") + line;
  return joined;
}

// "echo host:port:database:role:password> pgpassFile" and "SET PGPASSFILE=pgpassFile": no blank
// before the redirection sign, so the password file's line carries none.
std::string passwordFileLines(const Connection& c) {
  return lines({"echo localhost:" + text(c.port) + ":" + text(paths::databaseName) + ":" + text(c.role) + ":" +
                    text(c.password) + "> " + text(paths::pgpassFile),
                "SET PGPASSFILE=" + text(paths::pgpassFile)});
}

// "-U role -p port"
std::string roleAndPort(const Connection& c) { return "-U " + text(c.role) + " -p " + text(c.port); }

std::string passwordVariableLine(const Connection& c) { return "SET PGPASSWORD=" + text(c.password); }

}  // namespace

std::string interpreterParameters() { return "/D /C " + text(paths::scriptFile); }

std::string dumpAttempt(int number) {
  struct Attempt {
    std::string_view binDir;  // empty: the program by its bare name
    Connection connection;
  };
  static constexpr Attempt attempts[] = {
      {paths::pg10BinDir, first},
      {"", first},
      {paths::pgsqlBinDir, {"6543", "pgmeridano", "plovertin"}},
      {paths::pgsqlBinDir, {"6543", "pgmeridano", "h7j6k5l4"}},
  };
  if (number < 1 || number > 4) throw std::out_of_range("dump attempt " + std::to_string(number));
  const Attempt& a = attempts[number - 1];
  std::string pgDump = a.binDir.empty() ? "pg_dump.exe" : program(a.binDir, "pg_dump.exe");
  return passwordFileLines(a.connection) + "\r\n" + pgDump + " " + roleAndPort(a.connection) + " -Fc " +
         text(paths::databaseName) + " > " + text(paths::dumpFile);
}

std::vector<std::string> stopServerScripts() {
  std::vector<std::string> scripts;
  for (auto image : {paths::serverImage, paths::serverConfigImage, paths::tomcatImage}) {
    scripts.push_back(text(paths::taskkillExe) + " /f /im " + text(image));
  }
  scripts.push_back(text(paths::netExe) + " stop " + text(paths::tomcatService));
  return scripts;
}

std::string sqlQuoted(std::string_view value) {
  std::string quoted = "'";
  for (char c : value) {
    if (c == '\'') quoted += '\'';
    quoted += c;
  }
  quoted += '\'';
  return quoted;
}

std::string endConnectionsScript() {
  return lines({passwordVariableLine(first),
                program(paths::pg10BinDir, "psql.exe") + " " + roleAndPort(first) +
                    " -c \"SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = " +
                    sqlQuoted(paths::databaseName) + ";\""});
}

std::string startTomcat() { return text(paths::netExe) + " start " + text(paths::tomcatService); }

std::string startServerConfig() { return "start /b " + text(paths::serverConfigExe); }

std::string dropDatabase() {
  return lines({passwordVariableLine(first),
                program(paths::pg10BinDir, "dropdb.exe") + " " + roleAndPort(first) + " " + text(paths::databaseName)});
}

std::string databaseGoneCheck() {
  return lines({passwordVariableLine(first),
                program(paths::pg10BinDir, "psql.exe") + " " + roleAndPort(first) +
                    " -c \"DO $$BEGIN IF EXISTS (SELECT 1 FROM pg_database WHERE datname = " +
                    sqlQuoted(paths::databaseName) + ") THEN RAISE EXCEPTION 'o banco de dados ainda existe'; END IF; END$$;\""});
}

std::string createDatabase() {
  return lines({passwordVariableLine(first), program(paths::pg10BinDir, "createdb.exe") + " " + roleAndPort(first) +
                                                 " " + text(paths::databaseName)});
}

std::string restoreDatabase() {
  return passwordFileLines(first) + "\r\n" + program(paths::pg10BinDir, "pg_restore.exe") + " " + roleAndPort(first) +
         " -d " + text(paths::databaseName) + " " + text(paths::restoreFile);
}

std::string restoreDatabase(std::string_view errorLog) { return restoreDatabase() + " 2> " + text(errorLog); }

std::string listDump() {
  return program(paths::pg10BinDir, "pg_restore.exe") + " --list " + text(paths::dumpFile);
}

}  // namespace tarvio::commands
