// The command interpreter's environment: the machine's PostgreSQL settings left out, the
// launcher's own settings in, with the name rules of each system.
#include "platform/process_environment.h"

#include <gtest/gtest.h>

namespace tarvio {
namespace {

using Entries = std::vector<std::string>;

TEST(InterpreterEnvironment, LeavesOutThePgVariablesAndAddsTheSettings) {
  struct Case {
    const char* name;
    VariableNames names;
    Entries inherited;
    EnvironmentSettings settings;
    Entries expected;
  };
  const Case cases[] = {
      {"POSIX: names are case-sensitive; settings replace, in the order given",
       VariableNames::caseSensitive,
       {"PATH=/bin", "PGHOST=db.invalid", "PGUSER=x", "PG=1", "pgx=kept", "P=1", "TARVIO_DRIVE_C=/old", "HOME=/h"},
       {{"TARVIO_DRIVE_C", "/new"}, {"PGHOST", "localhost"}},
       {"PATH=/bin", "pgx=kept", "P=1", "HOME=/h", "TARVIO_DRIVE_C=/new", "PGHOST=localhost"}},
      {"Windows: any letter case, the hidden drive folders kept, sorted by name",
       VariableNames::windows,
       {"=C:=C:\\x", "ALLUSERSPROFILE=C:\\p", "PgHost=db.invalid", "Path=C:\\w", "pgsslmode=disable",
        "PGPASSFILE=C:\\f", "windir=C:\\windows"},
       {{"PGHOST", "localhost"}, {"path", "C:\\n"}},
       {"=C:=C:\\x", "ALLUSERSPROFILE=C:\\p", "path=C:\\n", "PGHOST=localhost", "windir=C:\\windows"}},
      {"nothing inherited", VariableNames::windows, {}, {}, {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(interpreterEnvironment(c.inherited, c.settings, c.names), c.expected) << c.name;
  }
}

}  // namespace
}  // namespace tarvio
