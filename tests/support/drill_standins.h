// Stand-ins for PostgreSQL's client programs as the restore drill calls them, in one folder of a
// sandbox drive. Each records its call ("psql -U postgres ...") as a line of a host file.
#pragma once

#include <string>

#include "tests/support/main_window.h"

namespace tarvio::test {

struct DrillStandIns {
  std::string binDir = "C:\\Meridano\\Tarvio\\pg10\\bin";
  int reachCode = 0;             // psql's exit code for the "SELECT 1" that looks for the server
  std::string counts = "3|42";   // what psql prints for the count of tables and rows
  int countCode = 0;
  int createCode = 0;
  int goneCode = 0;              // the check that the scratch database is gone
  // pg_restore restores only files that begin like a custom-format dump; `restoreCode` otherwise.
  bool restoreFails = false;

  void install(MainWindowSandbox& box, const std::string& record) const {
    const std::string dir = binDir + "\\";
    box.writeProgram(dir + "psql.exe", "echo \"psql $*\" >> " + record +
                                           "\ncase \"$*\" in\n"
                                           "  *\"-c SELECT 1\") exit " + std::to_string(reachCode) + ";;\n"
                                           "  *pg_temp.linhas*) echo '" + counts + "'; exit " + std::to_string(countCode) + ";;\n"
                                           "  *RAISE*) exit " + std::to_string(goneCode) + ";;\n"
                                           "esac");
    box.writeProgram(dir + "createdb.exe", "echo \"createdb $*\" >> " + record + "\nexit " + std::to_string(createCode));
    box.writeProgram(dir + "dropdb.exe", "echo \"dropdb $*\" >> " + record);
    box.writeProgram(dir + "pg_restore.exe",
                     MainWindowSandbox::pgRestoreListLine() + "\necho \"pg_restore $*\" >> " + record +
                         "\nfor last; do :; done\n" +
                         (restoreFails ? std::string("echo 'pg_restore: error: could not execute query' >&2\n"
                                                     "echo 'pg_restore: warning: errors ignored on restore: 2' >&2; exit 1")
                                       : std::string("[ \"$(head -c 5 \"$last\")\" = PGDMP ] || { echo 'pg_restore: "
                                                     "error: input file does not appear to be a valid archive' >&2; "
                                                     "exit 1; }")));
  }
};

}  // namespace tarvio::test
