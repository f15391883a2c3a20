// TRestauracao: not built yet.
#include "restore/restauracao.h"

#include <stdexcept>

namespace tarvio {

namespace {
[[noreturn]] void notYet() { throw std::runtime_error("The restore is not available in this build yet"); }
}  // namespace

void TRestauracao::Executar() { notYet(); }
void TRestauracao::executeCmdPg(const std::string&) { notYet(); }
void TRestauracao::killTarvio() { notYet(); }
void TRestauracao::dropDatabase() { notYet(); }
void TRestauracao::createDatabase() { notYet(); }
void TRestauracao::unzipFiles() { notYet(); }
void TRestauracao::restoreDatabase() { notYet(); }
void TRestauracao::startTarvioServer() { notYet(); }

}  // namespace tarvio
