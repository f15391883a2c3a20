// Every command text compared, character for character, with its lines as the scripts must read.
#include "exec/commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvio::commands {
namespace {

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) text += (i ? "\r\n" : "") + lines[i];
  return text;
}

TEST(CommandTexts, EveryTextIsExactlyItsLinesJoinedByCrLf) {
  const std::string pgpass1 = R"(echo localhost:5432:tarvio:postgres:plovertin> C:\Meridano\pgpass)";
  const std::string setPgpass = R"(SET PGPASSFILE=C:\Meridano\pgpass)";
  struct Case {
    const char* name;
    std::string actual;
    std::vector<std::string> lines;
  };
  const std::vector<std::string> stop = stopServerScripts();
  ASSERT_EQ(stop.size(), 4u);
  const Case cases[] = {
      {"interpreter", interpreterParameters(), {R"(/D /C C:\Meridano\backup.bat)"}},
      {"attempt 1", dumpAttempt(1),
       {pgpass1, setPgpass,
        R"(C:\Meridano\Tarvio\pg10\bin\pg_dump.exe -U postgres -p 5432 -Fc tarvio > C:\Meridano\Tarvio\backup\tarvio.backup)"}},
      {"attempt 2", dumpAttempt(2),
       {pgpass1, setPgpass,
        R"(pg_dump.exe -U postgres -p 5432 -Fc tarvio > C:\Meridano\Tarvio\backup\tarvio.backup)"}},
      {"attempt 3", dumpAttempt(3),
       {R"(echo localhost:6543:tarvio:pgmeridano:plovertin> C:\Meridano\pgpass)", setPgpass,
        R"(C:\Meridano\Tarvio\pgsql\bin\pg_dump.exe -U pgmeridano -p 6543 -Fc tarvio > C:\Meridano\Tarvio\backup\tarvio.backup)"}},
      {"attempt 4", dumpAttempt(4),
       {R"(echo localhost:6543:tarvio:pgmeridano:h7j6k5l4> C:\Meridano\pgpass)", setPgpass,
        R"(C:\Meridano\Tarvio\pgsql\bin\pg_dump.exe -U pgmeridano -p 6543 -Fc tarvio > C:\Meridano\Tarvio\backup\tarvio.backup)"}},
      {"kill server", stop[0], {R"(C:\Windows\System32\taskkill.exe /f /im Tarvio.exe)"}},
      {"kill config", stop[1], {R"(C:\Windows\System32\taskkill.exe /f /im Tarvio_Server_Config.exe)"}},
      {"kill tomcat", stop[2], {R"(C:\Windows\System32\taskkill.exe /f /im tomcat9.exe)"}},
      {"stop tomcat", stop[3], {R"(C:\Windows\System32\net stop tomcat9)"}},
      {"end connections", endConnectionsScript(),
       {"SET PGPASSWORD=plovertin",
        R"(C:\Meridano\Tarvio\pg10\bin\psql.exe -U postgres -p 5432 -c "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = 'tarvio';")"}},
      {"start tomcat", startTomcat(), {R"(C:\Windows\System32\net start tomcat9)"}},
      {"start config", startServerConfig(), {R"(start /b C:\Meridano\Tarvio\config\Tarvio_Server_Config.exe)"}},
      {"drop", dropDatabase(),
       {"SET PGPASSWORD=plovertin", R"(C:\Meridano\Tarvio\pg10\bin\dropdb.exe -U postgres -p 5432 tarvio)"}},
      {"create", createDatabase(),
       {"SET PGPASSWORD=plovertin", R"(C:\Meridano\Tarvio\pg10\bin\createdb.exe -U postgres -p 5432 tarvio)"}},
      {"restore", restoreDatabase(),
       {pgpass1, setPgpass,
        R"(C:\Meridano\Tarvio\pg10\bin\pg_restore.exe -U postgres -p 5432 -d tarvio C:\Meridano\Tarvio\backup\restaurar.backup)"}},
      {"restore with its log", restoreDatabase(R"(C:\Meridano\Tarvio\backup\pg_restore-20240305-090000.log)"),
       {pgpass1, setPgpass,
        R"(C:\Meridano\Tarvio\pg10\bin\pg_restore.exe -U postgres -p 5432 -d tarvio C:\Meridano\Tarvio\backup\restaurar.backup 2> C:\Meridano\Tarvio\backup\pg_restore-20240305-090000.log)"}},
      {"database gone", databaseGoneCheck(),
       {"SET PGPASSWORD=plovertin",
        R"(C:\Meridano\Tarvio\pg10\bin\psql.exe -U postgres -p 5432 -c "DO $$BEGIN IF EXISTS (SELECT 1 FROM pg_database WHERE datname = 'tarvio') THEN RAISE EXCEPTION 'o banco de dados ainda existe'; END IF; END$$;")"}},
      {"list the dump", listDump(),
       {R"(C:\Meridano\Tarvio\pg10\bin\pg_restore.exe --list C:\Meridano\Tarvio\backup\tarvio.backup)"}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.actual, joined(c.lines)) << c.name;
}

TEST(CommandTexts, OnlyFourDumpAttemptsExist) {
  EXPECT_THROW(dumpAttempt(0), std::out_of_range);
  EXPECT_THROW(dumpAttempt(5), std::out_of_range);
}

TEST(CommandTexts, SqlQuotingEnclosesInSingleQuotesAndDoublesInnerOnes) {
  const std::pair<std::string, std::string> cases[] = {
      {"tarvio", "'tarvio'"}, {"", "''"}, {"o'neil", "'o''neil'"}, {"''", "''''''"}};
  for (const auto& [text, quoted] : cases) EXPECT_EQ(sqlQuoted(text), quoted) << text;
  EXPECT_EQ(sqlQuoted("tarvio").size(), 8u);
}

}  // namespace
}  // namespace tarvio::commands
