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
  const Case cases[] = {
      {"interpreter", std::string(interpreterParameters), {R"(/C C:\Meridano\backup.bat)"}},
      {"attempt 1", std::string(dumpAttempt1),
       {pgpass1, setPgpass,
        R"(C:\Meridano\Tarvio\pg10\bin\pg_dump.exe -U postgres -p 5432 -Fc tarvio > C:\Meridano\Tarvio\backup\tarvio.backup)"}},
      {"attempt 2", std::string(dumpAttempt2),
       {pgpass1, setPgpass,
        R"(pg_dump.exe -U postgres -p 5432 -Fc tarvio > C:\Meridano\Tarvio\backup\tarvio.backup)"}},
      {"attempt 3", std::string(dumpAttempt3),
       {R"(echo localhost:6543:tarvio:pgmeridano:plovertin> C:\Meridano\pgpass)", setPgpass,
        R"(C:\Meridano\Tarvio\pgsql\bin\pg_dump.exe -U pgmeridano -p 6543 -Fc tarvio > C:\Meridano\Tarvio\backup\tarvio.backup)"}},
      {"attempt 4", std::string(dumpAttempt4),
       {R"(echo localhost:6543:tarvio:pgmeridano:h7j6k5l4> C:\Meridano\pgpass)", setPgpass,
        R"(C:\Meridano\Tarvio\pgsql\bin\pg_dump.exe -U pgmeridano -p 6543 -Fc tarvio > C:\Meridano\Tarvio\backup\tarvio.backup)"}},
      {"attempts in order", std::string(dumpAttempts[0]) + std::string(dumpAttempts[1]) +
                                std::string(dumpAttempts[2]) + std::string(dumpAttempts[3]),
       {std::string(dumpAttempt1) + std::string(dumpAttempt2) + std::string(dumpAttempt3) +
        std::string(dumpAttempt4)}},
      {"kill server", std::string(killServer), {R"(C:\Windows\System32\taskkill.exe /f /im Tarvio.exe)"}},
      {"kill config", std::string(killServerConfig),
       {R"(C:\Windows\System32\taskkill.exe /f /im Tarvio_Server_Config.exe)"}},
      {"kill tomcat", std::string(killTomcat), {R"(C:\Windows\System32\taskkill.exe /f /im tomcat9.exe)"}},
      {"stop tomcat", std::string(stopTomcat), {R"(C:\Windows\System32\net stop tomcat9)"}},
      {"end connections", endConnectionsScript(),
       {"SET PGPASSWORD=plovertin",
        R"(C:\Meridano\Tarvio\pg10\bin\psql.exe -U postgres -p 5432 -c "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = 'tarvio';")"}},
      {"start tomcat", std::string(startTomcat), {R"(C:\Windows\System32\net start tomcat9)"}},
      {"start config", std::string(startServerConfig),
       {R"(start /b C:\Meridano\Tarvio\config\Tarvio_Server_Config.exe)"}},
      {"drop", std::string(dropDatabase),
       {"SET PGPASSWORD=plovertin", R"(C:\Meridano\Tarvio\pg10\bin\dropdb.exe -U postgres -p 5432 tarvio)"}},
      {"create", std::string(createDatabase),
       {"SET PGPASSWORD=plovertin", R"(C:\Meridano\Tarvio\pg10\bin\createdb.exe -U postgres -p 5432 tarvio)"}},
      {"restore", std::string(restoreDatabase),
       {pgpass1, setPgpass,
        R"(C:\Meridano\Tarvio\pg10\bin\pg_restore.exe -U postgres -p 5432 -d tarvio C:\Meridano\Tarvio\backup\restaurar.backup)"}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.actual, joined(c.lines)) << c.name;
}

TEST(CommandTexts, SqlQuotingEnclosesInSingleQuotesAndDoublesInnerOnes) {
  const std::pair<std::string, std::string> cases[] = {
      {"tarvio", "'tarvio'"}, {"", "''"}, {"o'neil", "'o''neil'"}, {"''", "''''''"}};
  for (const auto& [text, quoted] : cases) EXPECT_EQ(sqlQuoted(text), quoted) << text;
  EXPECT_EQ(sqlQuoted("tarvio").size(), 8u);
}

}  // namespace
}  // namespace tarvio::commands
