// TAutenticacao: the authentication dialog's behaviour, drawn by a rendition.
#pragma once

#include <string>
#include <string_view>

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

  void bbOKClick();
  void FormClose(TCloseAction& action);

 private:
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
}  // namespace autenticacao_text

}  // namespace tarvio
