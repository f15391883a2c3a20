// Window classes and control identifiers of the Win32 windows, shared with the GUI test driver.
#pragma once

namespace tarvio::win32ui {

// Window classes.
inline constexpr const wchar_t* applicationWindowClass = L"TApplication";
inline constexpr const wchar_t* mainWindowClass = L"TPrincipal";
inline constexpr const wchar_t* authenticationWindowClass = L"TAutenticacao";

// Controls of the main window.
namespace ids {
inline constexpr int statusLog = 101;         // ListBox
inline constexpr int efetuarBackup = 102;     // btnEfetuarBackup
inline constexpr int restaurarBackup = 103;   // btnRestaurarBackup
inline constexpr int backupsEfetuados = 104;  // btnBackupsEfetuados
inline constexpr int warningPanel = 105;      // Panel1
inline constexpr int groupAcao = 106;         // GroupBox1
inline constexpr int groupStatus = 107;       // GroupBox2
inline constexpr int progressBar = 108;       // how far a long step has come

// Controls of the authentication dialog; "OK" is IDOK (1) and "Cancelar" IDCANCEL (2), so that
// Enter and Esc reach them through the dialog manager.
inline constexpr int authGroup = 201;          // GroupBox1
inline constexpr int authUserLabel = 202;      // lbUsuario
inline constexpr int authUser = 203;           // edUsuario
inline constexpr int authPasswordLabel = 204;  // Label1
inline constexpr int authPassword = 205;       // edSenha
inline constexpr int authImage = 206;          // Image1
}  // namespace ids

}  // namespace tarvio::win32ui
