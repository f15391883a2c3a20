// The restore drill: proves that a backup restores, without touching the live database "tarvio" or
// the server. It checks the backup as the restore does, extracts only its dump into a temporary
// folder, restores the dump into a scratch database (tarvio_verificacao) with the client programs and
// the connection of the first of the four dump ways that reaches its server, counts the tables and
// rows there, and then drops the scratch database and the temporary files, however the drill ended.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tarvio {

// A drill that did not prove the backup: its message is the verdict ("A verificação falhou: ...").
class DrillFailed : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct DrillResult {
  std::string backup;  // the file that was proven
  int64_t tables = 0;
  int64_t rows = 0;
};

// Runs the drill on `backup` (an archive of this program or a bare dump; empty: the newest archive of
// this program in the backup folder) under the run lock, recorded in the history as "verificação".
// Its status lines and its verdict go to the status log. Throws DrillFailed when the backup was not
// proven; AnotherRunInProgress when another run holds the server.
DrillResult runRestoreDrill(const std::string& backup);

}  // namespace tarvio
