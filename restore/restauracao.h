// TRestauracao: the restore run and its steps.
#pragma once

#include <string>

#include "exec/script_runner.h"

namespace tarvio {

class TRestauracao {
 public:
  TRestauracao() = delete;
  static void Executar();
  // Runs a command text as a script, polling every 100 ms. The interpreter's exit code.
  static ScriptExit executeCmdPg(const std::string& cmd);
  static void killTarvio();
  static void dropDatabase();
  static void createDatabase();
  static void unzipFiles();
  static void restoreDatabase();
  static void startTarvioServer();
};

}  // namespace tarvio
