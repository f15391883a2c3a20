// The command texts handed to the script runner: the dump attempts, stopping and starting the
// server, and dropping, creating and restoring the database. Lines of one text are joined by CR LF.
// Every path in them comes from the fixed paths; the texts contain them as plain, unquoted text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvio::commands {

// Parameters of the command interpreter: without the AutoRun commands of the registry, run the
// script file and end ("/D /C C:\Meridano\backup.bat").
std::string interpreterParameters();

// Dump attempt `number` (1 to 4): write the password file, point PGPASSFILE at it, dump into
// dumpFile with the attempt's program, role, port and password.
std::string dumpAttempt(int number);

// The restore drill, each with the client programs and the connection of one of the four ways of
// the dump attempts (1 to 4), always on the scratch database drillDatabaseName, never on "tarvio".
// Ends with exit code 0 when the way's server answers.
std::string drillReachServer(int way);
// Drops the scratch database if it exists.
std::string drillDropDatabase(int way);
// Ends with exit code 0 only when the scratch database no longer exists.
std::string drillDatabaseGoneCheck(int way);
std::string drillCreateDatabase(int way);
// Restores drillDumpFile into the scratch database, pg_restore's error output kept in `errorLog`.
std::string drillRestore(int way, std::string_view errorLog);
// Writes "tables|rows" of the scratch database into drillCountFile.
std::string drillCount(int way);

// Stopping the server, one script each, in this order: the three programs ended by image name,
// then the service.
std::vector<std::string> stopServerScripts();
// `text` as an SQL string literal: enclosed in single quotes, each single quote inside doubled.
std::string sqlQuoted(std::string_view text);
// The two-line script that ends every connection to the database "tarvio".
std::string endConnectionsScript();

// Starting the server again, in this order. The second returns at once; the program runs on.
std::string startTomcat();
std::string startServerConfig();

// Dropping, creating and restoring the database on the first instance.
std::string dropDatabase();
// Ends with exit code 0 only when the database "tarvio" no longer exists on the first instance.
std::string databaseGoneCheck();
std::string createDatabase();
std::string restoreDatabase();
// The same restore with pg_restore's error output kept in `errorLog`.
std::string restoreDatabase(std::string_view errorLog);

// Reads the table of contents of the dump in dumpFile with the restore's pg_restore; ends with
// exit code 0 only when pg_restore can read it.
std::string listDump();

}  // namespace tarvio::commands
