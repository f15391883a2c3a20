// TAutenticacao: one login attempt against the support account or the login web service.
#include "auth/autenticacao.h"

#include <stdexcept>

#include "auth/login_service.h"
#include "auth/text_to_boolean.h"
#include "common/main_window.h"
#include "common/silent_abort.h"
#include "platform/locale_number.h"
#include "platform/platform.h"

namespace tarvio {

namespace {

constexpr const char* supportUser = "zefyrdal";
constexpr const char* supportPassword = "kwandolime";

// Removes every character with a code of U+0020 or lower from both ends. In UTF-8 those are
// exactly the bytes up to 0x20, which never occur inside a multi-byte character.
std::string trimmed(const std::string& text) {
  auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && isBlank(text[begin])) ++begin;
  while (end > begin && isBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

}  // namespace

TAutenticacao::TAutenticacao() : RESTRequest(RESTClient, RESTResponse) {}
TAutenticacao::~TAutenticacao() = default;

void TAutenticacao::bbOKClick() {
  if (!view_) throw std::logic_error("The authentication dialog has no window");
  const std::string usuario = view_->userText();
  const std::string senha = view_->passwordText();

  const std::string usuarioAparado = trimmed(usuario);
  const std::string senhaAparada = trimmed(senha);
  if (usuarioAparado.empty() || senhaAparada.empty()) {
    desktop().showMessage(autenticacao_text::emptyFields);
    throw SilentAbort();
  }

  // The support account is checked here, without any network traffic.
  if (usuarioAparado == supportUser && senhaAparada == supportPassword) {
    Principal->setIsLogged(true);
    view_->close();
    return;
  }

  const std::string token = getToken();
  const std::string administrador = validarLogin(token, usuario, senha);
  if (textToBoolean(administrador, localeDecimalSeparator())) {
    Principal->setIsLogged(true);
    view_->close();
    return;
  }
  Principal->setIsLogged(false);
  desktop().showMessage(autenticacao_text::notPrincipal);
  view_->setUserText("");
  view_->setPasswordText("");
  view_->focusUser();
}

void TAutenticacao::FormClose(TCloseAction& action) {
  // The main window destroys the dialog after the modal run; this only asks for the release.
  action = TCloseAction::caFree;
}

std::string TAutenticacao::getToken() {
  RESTClient.BaseURL = login_service::tokenURL();
  RESTRequest.Params.Clear();
  RESTRequest.Params.AddItem("grant_type", "password", TRESTRequestParameterKind::pkGETorPOST);
  RESTRequest.Params.AddItem("username", login_service::serviceUser, TRESTRequestParameterKind::pkGETorPOST);
  RESTRequest.Params.AddItem("password", login_service::servicePassword, TRESTRequestParameterKind::pkGETorPOST);
  try {
    RESTRequest.Execute();
  } catch (const std::exception&) {
    desktop().showMessage(autenticacao_text::tokenFailed);
    throw SilentAbort();
  }
  // A body that is JSON but no object raises "Invalid class typecast" for the error display.
  const TJSONValue* object = asJSONObject(RESTResponse.JSONValue());
  const TJSONValue* token = object ? object->GetValue("access_token") : nullptr;
  if (!token) {
    // An empty body, one that is not JSON, or an object without a token: handled like a failed
    // token request, the nearest case that the dialog knows.
    desktop().showMessage(autenticacao_text::tokenFailed);
    throw SilentAbort();
  }
  return token->Value();
}

std::string TAutenticacao::validarLogin(const std::string& token, const std::string& login,
                                        const std::string& senha) {
  RESTClient.BaseURL = login_service::validationURL();
  RESTRequest.Params.Clear();
  RESTRequest.AddAuthParameter("Authorization", login_service::bearerPrefix + token,
                               TRESTRequestParameterKind::pkHTTPHEADER,
                               {TRESTRequestParameterOption::poDoNotEncode});
  RESTRequest.Params.AddItem("login", login, TRESTRequestParameterKind::pkGETorPOST,
                             {TRESTRequestParameterOption::poDoNotEncode});
  RESTRequest.Params.AddItem("senha", senha, TRESTRequestParameterKind::pkGETorPOST,
                             {TRESTRequestParameterOption::poDoNotEncode});
  try {
    RESTRequest.Execute();
  } catch (const std::exception& e) {
    validationFailed(e.what());
  }
  const TJSONValue* object = asJSONObject(RESTResponse.JSONValue());
  if (!object) {
    // An empty body or one that is not JSON: handled like a failed validation request.
    validationFailed("The response is not JSON (HTTP status " + std::to_string(RESTResponse.StatusCode) + ")");
  }
  const TJSONValue* administrador = object->GetValue("administrador");
  if (!administrador) validationFailed("The response has no \"administrador\" member");
  return administrador->Value();
}

void TAutenticacao::validationFailed(const std::string& serverMessage) {
  desktop().showMessage(std::string(autenticacao_text::validationFailed) + "\r\n" +
                        autenticacao_text::serverMessage + serverMessage);
  view_->setUserText("");
  view_->setPasswordText("");
  view_->focusUser();
  throw SilentAbort();
}

}  // namespace tarvio
