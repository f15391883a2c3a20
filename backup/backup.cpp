// TBackup: not built yet.
#include "backup/backup.h"

#include <stdexcept>

namespace tarvio {

void TBackup::Executar(bool) { throw std::runtime_error("The backup is not available in this build yet"); }
void TBackup::executeCmd(const std::string&) {
  throw std::runtime_error("The script runner is not available in this build yet");
}
bool TBackup::tentativaBkp1() { return false; }
bool TBackup::tentativaBkp2() { return false; }
bool TBackup::tentativaBkp3() { return false; }
bool TBackup::tentativaBkp4() { return false; }
std::string TBackup::getBkpName() { throw std::runtime_error("Not available in this build yet"); }

}  // namespace tarvio
