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

// The drill's scripts, with the programs and the connection of each of the four ways.
TEST(CommandTexts, TheDrillWorksOnTheScratchDatabaseOnly) {
  const std::string log = R"~(C:\Meridano\Tarvio\backup\verificacao-20240305-090000.log)~";
  struct Case {
    const char* name;
    std::string actual;
    std::vector<std::string> lines;
  };
  const std::string first = "SET PGPASSWORD=plovertin";
  const std::string pg10 = R"~(C:\Meridano\Tarvio\pg10\bin\)~";
  const std::string pgsql = R"~(C:\Meridano\Tarvio\pgsql\bin\)~";
  const std::string count =
      R"~(-X -q -A -t -d tarvio_verificacao -c "CREATE FUNCTION pg_temp.linhas(t regclass) RETURNS bigint LANGUAGE plpgsql AS )~"
      R"~($$DECLARE n bigint; BEGIN EXECUTE concat('SELECT count(*) FROM ', t) INTO n; RETURN n; END$$; )~"
      R"~(SELECT count(*), coalesce(sum(pg_temp.linhas(c.oid)), 0) FROM pg_class c JOIN pg_namespace s ON s.oid = c.relnamespace )~"
      R"~(WHERE c.relkind = 'r' AND s.nspname NOT IN ('pg_catalog', 'information_schema')" > )~"
      R"~(C:\Meridano\Tarvio\backup\verificacao\contagem.txt)~";
  const Case cases[] = {
      {"reach, way 1", drillReachServer(1), {first, pg10 + R"~(psql.exe -U postgres -p 5432 -X -d postgres -c "SELECT 1")~"}},
      {"reach, way 2", drillReachServer(2), {first, R"~(psql.exe -U postgres -p 5432 -X -d postgres -c "SELECT 1")~"}},
      {"reach, way 3", drillReachServer(3), {first, pgsql + R"~(psql.exe -U pgmeridano -p 6543 -X -d postgres -c "SELECT 1")~"}},
      {"reach, way 4", drillReachServer(4),
       {"SET PGPASSWORD=h7j6k5l4", pgsql + R"~(psql.exe -U pgmeridano -p 6543 -X -d postgres -c "SELECT 1")~"}},
      {"drop", drillDropDatabase(1), {first, pg10 + "dropdb.exe -U postgres -p 5432 --if-exists tarvio_verificacao"}},
      {"gone", drillDatabaseGoneCheck(3),
       {first, pgsql + R"~(psql.exe -U pgmeridano -p 6543 -X -d postgres -c "DO $$BEGIN IF EXISTS (SELECT 1 FROM pg_database )~"
                       R"~(WHERE datname = 'tarvio_verificacao') THEN RAISE EXCEPTION 'o banco de dados ainda existe'; END IF; END$$;")~"}},
      {"create", drillCreateDatabase(2), {first, "createdb.exe -U postgres -p 5432 tarvio_verificacao"}},
      {"restore", drillRestore(1, log),
       {first, pg10 + R"~(pg_restore.exe -U postgres -p 5432 -d tarvio_verificacao )~"
                      R"~(C:\Meridano\Tarvio\backup\verificacao\verificar.backup 2> )~" + log}},
      {"count", drillCount(4), {"SET PGPASSWORD=h7j6k5l4", pgsql + "psql.exe -U pgmeridano -p 6543 " + count}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.actual, joined(c.lines)) << c.name;

  // Whatever way, no drill script names the live database "tarvio" as a word of its own, and none
  // holds a character that the command interpreter takes for its own.
  for (int way = 1; way <= 4; ++way) {
    for (const std::string& script : {drillReachServer(way), drillDropDatabase(way), drillDatabaseGoneCheck(way),
                                      drillCreateDatabase(way), drillRestore(way, log), drillCount(way)}) {
      std::string words = script;
      for (char& c : words) {
        if (c == '\'' || c == '"' || c == '\r' || c == '\n' || c == ';' || c == ')' || c == '(') c = ' ';
      }
      EXPECT_EQ((" " + words + " ").find(" tarvio "), std::string::npos) << script;
      EXPECT_EQ(script.find_first_of("%|&<^"), std::string::npos) << script;
    }
  }
  EXPECT_THROW(drillReachServer(0), std::out_of_range);
  EXPECT_THROW(drillCount(5), std::out_of_range);
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
