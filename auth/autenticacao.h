// TAutenticacao: the authentication dialog's behaviour, drawn by a rendition.
#pragma once

#include <string>
#include <string_view>

#include "net/rest.h"

namespace tarvio {

// What the dialog's logic asks of the window that shows it.
class AutenticacaoView {
 public:
  virtual ~AutenticacaoView() = default;
  virtual std::string userText() = 0;      // edUsuario
  virtual std::string passwordText() = 0;  // edSenha
  virtual void setUserText(std::string_view text) = 0;
  virtual void setPasswordText(std::string_view text) = 0;
  virtual void focusUser() = 0;
  virtual void close() = 0;  // ends the modal run
};

class TAutenticacao {
 public:
  enum class TCloseAction { caNone, caHide, caFree, caMinimize };

  TAutenticacao();
  ~TAutenticacao();
  TAutenticacao(const TAutenticacao&) = delete;
  TAutenticacao& operator=(const TAutenticacao&) = delete;

  // The rendition attaches its window before the modal run and detaches it afterwards.
  void attach(AutenticacaoView* view) { view_ = view; }

  // One login attempt with the texts of the two fields. Returns normally (logged in and closed, or
  // told that the account is not the principal user), or raises the silent abort after a message,
  // or lets an error through to the error display.
  void bbOKClick();
  void FormClose(TCloseAction& action);

  // The login service client: created with the dialog, so each dialog starts with an empty cookie
  // store and an empty header list. The request's header list is never cleared while the dialog
  // lives, so a later token request still carries the last "Authorization" header.
  TRESTClient RESTClient;
  TRESTResponse RESTResponse;
  TRESTRequest RESTRequest;

 private:
  // The bearer token from the token request; shows its own message and raises the silent abort
  // when the request fails.
  std::string getToken();
  // The validation request. Returns the text of the "administrador" member; shows the server's
  // message, clears the fields and raises the silent abort when the request fails.
  std::string validarLogin(const std::string& token, const std::string& login, const std::string& senha);
  // Shows the failed validation's message with the server's text, clears both fields, puts the
  // focus on the user field and raises the silent abort.
  [[noreturn]] void validationFailed(const std::string& serverMessage);

  AutenticacaoView* view_ = nullptr;
};

// Texts of the dialog.
namespace autenticacao_text {
inline constexpr const char* caption = "Autenticação";
inline constexpr const char* groupCaption = "Entre com o usuário principal Meridano TI";
inline constexpr const char* userLabel = "Usuário";
inline constexpr const char* passwordLabel = "Senha";
inline constexpr const char* okCaption = "OK";
inline constexpr const char* cancelCaption = "Cancelar";
inline constexpr const char* emptyFields = "Usuário e senha devem ser preenchidos corretamente.";
inline constexpr const char* tokenFailed =
    "Falha de comunicação com o servidor, não foi possível obter o Token de autenticação";
inline constexpr const char* validationFailed = "Verifique o usuário e senha digitado.";
inline constexpr const char* serverMessage = "Mensagem do servidor: ";
inline constexpr const char* notPrincipal = "O login informado não é o principal! Tente novamente.";
}  // namespace autenticacao_text

}  // namespace tarvio
