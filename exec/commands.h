// The command texts handed to the script runner: the dump attempts, stopping and starting the
// server, and dropping, creating and restoring the database. Lines of one text are joined by CR LF.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace tarvio::commands {

// Parameters of the command interpreter: run the script file and end.
inline constexpr std::string_view interpreterParameters = "/C C:\\Meridano\\backup.bat";

// Dump attempts 1 to 4: write the password file, point PGPASSFILE at it, dump into dumpFile.
inline constexpr std::string_view dumpAttempt1 =
    "echo localhost:5432:tarvio:postgres:plovertin> C:\\Meridano\\pgpass\r\n"
    "SET PGPASSFILE=C:\\Meridano\\pgpass\r\n"
    "C:\\Meridano\\Tarvio\\pg10\\bin\\pg_dump.exe -U postgres -p 5432 -Fc tarvio > "
    "C:\\Meridano\\Tarvio\\backup\\tarvio.backup";
inline constexpr std::string_view dumpAttempt2 =
    "echo localhost:5432:tarvio:postgres:plovertin> C:\\Meridano\\pgpass\r\n"
    "SET PGPASSFILE=C:\\Meridano\\pgpass\r\n"
    "pg_dump.exe -U postgres -p 5432 -Fc tarvio > C:\\Meridano\\Tarvio\\backup\\tarvio.backup";
inline constexpr std::string_view dumpAttempt3 =
    "echo localhost:6543:tarvio:pgmeridano:plovertin> C:\\Meridano\\pgpass\r\n"
    "SET PGPASSFILE=C:\\Meridano\\pgpass\r\n"
    "C:\\Meridano\\Tarvio\\pgsql\\bin\\pg_dump.exe -U pgmeridano -p 6543 -Fc tarvio > "
    "C:\\Meridano\\Tarvio\\backup\\tarvio.backup";
inline constexpr std::string_view dumpAttempt4 =
    "echo localhost:6543:tarvio:pgmeridano:h7j6k5l4> C:\\Meridano\\pgpass\r\n"
    "SET PGPASSFILE=C:\\Meridano\\pgpass\r\n"
    "C:\\Meridano\\Tarvio\\pgsql\\bin\\pg_dump.exe -U pgmeridano -p 6543 -Fc tarvio > "
    "C:\\Meridano\\Tarvio\\backup\\tarvio.backup";
// The four attempts in order: dumpAttempts[0] is attempt 1.
inline constexpr std::array<std::string_view, 4> dumpAttempts = {dumpAttempt1, dumpAttempt2,
                                                                 dumpAttempt3, dumpAttempt4};

// Stopping the server, one script each, in this order.
inline constexpr std::string_view killServer = "C:\\Windows\\System32\\taskkill.exe /f /im Tarvio.exe";
inline constexpr std::string_view killServerConfig =
    "C:\\Windows\\System32\\taskkill.exe /f /im Tarvio_Server_Config.exe";
inline constexpr std::string_view killTomcat = "C:\\Windows\\System32\\taskkill.exe /f /im tomcat9.exe";
inline constexpr std::string_view stopTomcat = "C:\\Windows\\System32\\net stop tomcat9";

// The pieces of the script that ends every connection to the database.
inline constexpr std::string_view endConnectionsPassword = "SET PGPASSWORD=plovertin";
inline constexpr std::string_view endConnectionsStatementStart =
    "C:\\Meridano\\Tarvio\\pg10\\bin\\psql.exe -U postgres -p 5432 -c "
    "\"SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = ";
inline constexpr std::string_view endConnectionsStatementEnd = ";\"";

// `text` as an SQL string literal: enclosed in single quotes, each single quote inside doubled.
std::string sqlQuoted(std::string_view text);
// The two-line script that ends every connection to the database "tarvio".
std::string endConnectionsScript();

// Starting the server again, in this order. The second line returns at once; the program runs on.
inline constexpr std::string_view startTomcat = "C:\\Windows\\System32\\net start tomcat9";
inline constexpr std::string_view startServerConfig =
    "start /b C:\\Meridano\\Tarvio\\config\\Tarvio_Server_Config.exe";

// Dropping, creating and restoring the database.
inline constexpr std::string_view dropDatabase =
    "SET PGPASSWORD=plovertin\r\n"
    "C:\\Meridano\\Tarvio\\pg10\\bin\\dropdb.exe -U postgres -p 5432 tarvio";
inline constexpr std::string_view createDatabase =
    "SET PGPASSWORD=plovertin\r\n"
    "C:\\Meridano\\Tarvio\\pg10\\bin\\createdb.exe -U postgres -p 5432 tarvio";
inline constexpr std::string_view restoreDatabase =
    "echo localhost:5432:tarvio:postgres:plovertin> C:\\Meridano\\pgpass\r\n"
    "SET PGPASSFILE=C:\\Meridano\\pgpass\r\n"
    "C:\\Meridano\\Tarvio\\pg10\\bin\\pg_restore.exe -U postgres -p 5432 -d tarvio "
    "C:\\Meridano\\Tarvio\\backup\\restaurar.backup";

}  // namespace tarvio::commands
