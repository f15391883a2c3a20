// TBackup: the backup run, its script runner, the four dump attempts and the archive's name.
#pragma once

#include <optional>
#include <string>

#include "exec/script_runner.h"

namespace tarvio {

// A dump counts as good from this many bytes on (its size read as a signed 64-bit number, -1 when
// the file is missing).
inline constexpr long long dumpSuccessThreshold = 1000000;

class TBackup {
 public:
  TBackup() = delete;
  // The backup run. abrirExplorer true: the interactive run; false: the restore's safety backup.
  // The full path of the archive it wrote; nullopt when no dump attempt succeeded.
  static std::optional<std::string> Executar(bool abrirExplorer);
  // Runs a command text as a script, polling every 250 ms. The interpreter's exit code.
  static ScriptExit executeCmd(const std::string& cmd);
  static bool tentativaBkp1();
  static bool tentativaBkp2();
  static bool tentativaBkp3();
  static bool tentativaBkp4();
  // "tarvio-" + yyyymmdd + "-" + hhmmss from the local clock.
  static std::string getBkpName();
};

}  // namespace tarvio
