// TAutenticacao: the login is not built yet.
#include "auth/autenticacao.h"

#include <stdexcept>

namespace tarvio {

TAutenticacao::TAutenticacao() = default;
TAutenticacao::~TAutenticacao() = default;

void TAutenticacao::bbOKClick() {
  throw std::runtime_error("The login is not available in this build yet");
}

void TAutenticacao::FormClose(TCloseAction& action) { action = TCloseAction::caFree; }

}  // namespace tarvio
