// The private PostgreSQL servers of the pg-labelled tests, seen from a test: the real client
// programs in a sandbox drive, SQL, a freshly generated database, one server stopped, fingerprints.
#pragma once

#include <string>
#include <vector>

#include "tests/support/sandbox.h"

namespace tarvio::test::pg {

// One of the two servers, with the superuser role and password its ctest fixture gave it.
struct Server {
  int port;
  const char* role;
  const char* password;
};
inline constexpr Server first{5432, "postgres", "plovertin"};
inline constexpr Server second{6543, "pgmeridano", "h7j6k5l4"};

// "normal": the database's custom-format dump is a few MB; "small": under 1,000,000 bytes.
enum class DataSize { normal, small };

// Puts PostgreSQL's own pg_dump, psql, dropdb, createdb and pg_restore into pg10BinDir and
// pgsqlBinDir of the sandbox drive, under their Windows names (pg_dump.exe, ...), and has the
// sandbox's scripts reach the servers on localhost.
void installClientPrograms(Sandbox& sandbox);

// Runs SQL (one or more statements) as the server's superuser over TCP with its password.
// Returns psql's unaligned, tuples-only output without the last line break; throws with psql's
// message when a statement fails.
std::string runSql(const std::string& sql, const Server& server = first,
                   const std::string& database = "tarvio");

// Drops and re-creates the database "tarvio" and fills it with generated data (fixed seed).
void resetDatabase(DataSize size = DataSize::normal, const Server& server = first);

// Stops or starts one server; the other keeps running.
void stopServer(const Server& server);
void startServer(const Server& server);

// Stops a server for the life of the object and starts it again afterwards, also when a test fails.
class StoppedServer {
 public:
  explicit StoppedServer(const Server& server);
  ~StoppedServer();
  StoppedServer(const StoppedServer&) = delete;
  StoppedServer& operator=(const StoppedServer&) = delete;

 private:
  Server server_;
};

// The content fingerprint of the database "tarvio": per table its row count and the md5 of its
// ordered rows, each sequence's position, and the md5 of the schema (owners left out). Equal
// fingerprints mean equal data, also across the two servers.
std::string fingerprint(const Server& server = first);

// Writes a custom-format dump of "tarvio" to a host file, as the server's superuser.
void dumpDatabase(const std::string& hostFile, const Server& server = first);
// Replaces "tarvio" by an empty database and restores a custom-format dump into it.
void restoreDatabase(const std::string& hostFile, const Server& server = first);

// The result of running a program of the host.
struct CommandResult {
  int exitCode;  // the program's exit status; 128 + N when signal N ended it
  std::string out;
  std::string err;
};
// Runs argv[0] (a path) with extra environment settings ("NAME=value"), stdin empty and no
// controlling terminal, so that a client missing its password fails instead of prompting.
CommandResult runProgram(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment = {});

// Where things are: the PostgreSQL programs, this project's scripts/pg folder.
std::string binDir();
std::string scriptsDir();

}  // namespace tarvio::test::pg
