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

namespace {

// The four ways of reaching the database, in the order of the dump attempts: the programs' folder
// (empty: the programs by their bare names) and the connection.
struct Way {
  std::string_view binDir;
  Connection connection;
};
constexpr Way ways[] = {
    {paths::pg10BinDir, first},
    {"", first},
    {paths::pgsqlBinDir, {"6543", "pgmeridano", "plovertin"}},
    {paths::pgsqlBinDir, {"6543", "pgmeridano", "h7j6k5l4"}},
};

const Way& wayOf(int number) {
  if (number < 1 || number > 4) throw std::out_of_range("way " + std::to_string(number));
  return ways[number - 1];
}

// A client program of a way: the full path in its folder, or the bare name.
std::string clientProgram(const Way& way, std::string_view name) {
  return way.binDir.empty() ? text(name) : program(way.binDir, name);
}

// The password line and one program line of a way, the program given "-U role -p port" first.
std::string withPassword(const Way& way, std::string_view programName, const std::string& arguments) {
  return lines({passwordVariableLine(way.connection),
                clientProgram(way, programName) + " " + roleAndPort(way.connection) + " " + arguments});
}

// Counts the tables of the scratch database and their rows, exactly: a function of the session's own
// (gone when it ends) counts one table's rows. The text holds none of the characters that the command
// interpreter would take for its own (percent sign, pipe, ampersand, angle brackets, caret).
constexpr std::string_view countSql =
    "CREATE FUNCTION pg_temp.linhas(t regclass) RETURNS bigint LANGUAGE plpgsql AS "
    "$$DECLARE n bigint; BEGIN EXECUTE concat('SELECT count(*) FROM ', t) INTO n; RETURN n; END$$; "
    "SELECT count(*), coalesce(sum(pg_temp.linhas(c.oid)), 0) FROM pg_class c "
    "JOIN pg_namespace s ON s.oid = c.relnamespace "
    "WHERE c.relkind = 'r' AND s.nspname NOT IN ('pg_catalog', 'information_schema')";

}  // namespace

std::string dumpAttempt(int number) {
  const Way& a = wayOf(number);
  return passwordFileLines(a.connection) + "\r\n" + clientProgram(a, "pg_dump.exe") + " " + roleAndPort(a.connection) +
         " -Fc " + text(paths::databaseName) + " > " + text(paths::dumpFile);
}

std::string drillReachServer(int way) {
  return withPassword(wayOf(way), "psql.exe", "-X -d postgres -c \"SELECT 1\"");
}

std::string drillDropDatabase(int way) {
  return withPassword(wayOf(way), "dropdb.exe", "--if-exists " + text(paths::drillDatabaseName));
}

std::string drillDatabaseGoneCheck(int way) {
  return withPassword(wayOf(way), "psql.exe",
                      "-X -d postgres -c \"DO $$BEGIN IF EXISTS (SELECT 1 FROM pg_database WHERE datname = " +
                          sqlQuoted(paths::drillDatabaseName) +
                          ") THEN RAISE EXCEPTION 'o banco de dados ainda existe'; END IF; END$$;\"");
}

std::string drillCreateDatabase(int way) {
  return withPassword(wayOf(way), "createdb.exe", text(paths::drillDatabaseName));
}

std::string drillRestore(int way, std::string_view errorLog) {
  return withPassword(wayOf(way), "pg_restore.exe",
                      "-d " + text(paths::drillDatabaseName) + " " + text(paths::drillDumpFile) + " 2> " + text(errorLog));
}

std::string drillCount(int way) {
  return withPassword(wayOf(way), "psql.exe",
                      "-X -q -A -t -d " + text(paths::drillDatabaseName) + " -c \"" + text(countSql) + "\" > " +
                          text(paths::drillCountFile));
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
