// Types at tarvio-backup-cli.exe's console under Wine, as a person would: the menu, the restore's
// confirmation, the support login and a file name with accented letters. The program reads its input
// from the console (the driver's own, made by wineconsole), its output goes to a file; the name must
// come back whole in the refusal that names the chosen file, and the program ends at "0".
// Usage: console_input_driver CLI.exe LOG-FILE
#include <windows.h>

#include <cstdio>
#include <string>

#include "gui_driver_kit.h"
#include "tests/support/win32_start_process.h"

using namespace guitest;

namespace {

constexpr int timeoutMs = 60000;

std::wstring output;

std::string printed() {
  return fileStart(output);
}

// Waits until the output holds `piece` `times` times.
bool waitForOutput(const std::string& piece, int times = 1) {
  for (int waited = 0; waited < timeoutMs; waited += 20) {
    std::string text = printed();
    int found = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++found;
    if (found >= times) return true;
    Sleep(20);
  }
  return false;
}

// One line typed at the console, each character a key pressed and released, then Enter.
void typeLine(const std::wstring& line) {
  HANDLE in = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, 0, nullptr);
  std::wstring keys = line + L"\r";
  for (wchar_t c : keys) {
    INPUT_RECORD press[2]{};
    for (int i = 0; i < 2; ++i) {
      press[i].EventType = KEY_EVENT;
      press[i].Event.KeyEvent.bKeyDown = i == 0;
      press[i].Event.KeyEvent.wRepeatCount = 1;
      press[i].Event.KeyEvent.wVirtualKeyCode = c == L'\r' ? VK_RETURN : 0;
      press[i].Event.KeyEvent.uChar.UnicodeChar = c;
    }
    DWORD written = 0;
    WriteConsoleInputW(in, press, 2, &written);
  }
  CloseHandle(in);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  const std::wstring cli = argv[1];
  _wfreopen(argv[2], L"w", stdout);
  output = std::wstring(argv[2]) + L".program";

  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE console = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               OPEN_EXISTING, 0, nullptr);
  HANDLE out = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                           0, nullptr);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = console;
  si.hStdOutput = out;
  si.hStdError = out;
  PROCESS_INFORMATION process{};
  bool started = tarvio::test::startProcess(L"\"" + cli + L"\"", TRUE, 0, nullptr, si, process);
  CloseHandle(out);
  if (check(started, "the program starts with the console as its input")) {
    const std::wstring chosen = L"C:\\Cópias\\não existe.zip";
    check(waitForOutput("-- Ação --"), "the menu is shown");
    typeLine(L"2");
    check(waitForOutput("[s = Sim / N = Não]"), "the restore asks for confirmation");
    typeLine(L"s");
    check(waitForOutput("Usuário: "), "the login asks for the user");
    typeLine(L"zefyrdal");
    check(waitForOutput("Senha: "), "the login asks for the password");
    typeLine(L"kwandolime");
    check(waitForOutput("Arquivo (linha vazia cancela): "), "the file dialog asks for the backup");
    typeLine(chosen);
    std::string expected = "O arquivo de backup escolhido não foi encontrado: C:\\Cópias\\não existe.zip.";
    check(waitForOutput(expected), "the typed name comes back whole: " + expected);
    typeLine(L"");  // the error box's OK
    check(waitForOutput("-- Ação --", 2), "the menu is shown again");
    typeLine(L"0");
    DWORD code = 99;
    bool ended = WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0;
    if (ended) GetExitCodeProcess(process.hProcess, &code);
    check(ended && code == 0, "\"0\" closes the program (exit " + std::to_string(code) + ")");
    if (!ended) TerminateProcess(process.hProcess, 99);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  CloseHandle(console);
  std::printf("%d check(s) failed\n", failures());
  std::fflush(stdout);
  return failures() == 0 ? 0 : 1;
}
