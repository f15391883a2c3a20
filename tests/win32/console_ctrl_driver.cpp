// Types Ctrl+C at tarvio-backup-cli.exe's console under Wine, as a person would: at the menu the
// program ends at once; during a backup run, held up in its first dump attempt by a pg_dump.exe
// that waits for this driver, it goes on to the run's end, twice pressed. Runs in a console of its
// own (wineconsole), which the program shares; the program's input is a pipe, its output a file.
// Usage: console_ctrl_driver CLI.exe GATE_STANDIN.exe LOG-FILE
#include <windows.h>

#include <cstdio>
#include <string>

#include "gui_driver_kit.h"
#include "tests/support/win32_start_process.h"

using namespace guitest;

namespace {

constexpr int timeoutMs = 60000;

std::wstring cli;
std::wstring gateStandin;
std::wstring output;

struct Program {
  PROCESS_INFORMATION process{};
  HANDLE input = nullptr;  // kept open: the program never meets the end of its input

  bool start(const std::wstring& arguments) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    if (!CreatePipe(&readEnd, &input, &inherit, 0)) return false;
    SetHandleInformation(input, HANDLE_FLAG_INHERIT, 0);
    HANDLE out = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = readEnd;
    si.hStdOutput = out;
    si.hStdError = out;
    BOOL started = tarvio::test::startProcess(L"\"" + cli + L"\" " + arguments, TRUE, 0, nullptr, si, process);
    CloseHandle(readEnd);
    CloseHandle(out);
    return started != FALSE;
  }
  // The exit code once the program has ended by itself; -1 while it still runs.
  long long ended(int waitMs) {
    if (WaitForSingleObject(process.hProcess, waitMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    return code;
  }
  ~Program() {
    if (process.hProcess) {
      if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 99);
      CloseHandle(process.hProcess);
      CloseHandle(process.hThread);
    }
    if (input) CloseHandle(input);
  }
};

std::string printed() {
  return fileStart(output);
}

bool waitForOutput(const std::string& piece) {
  for (int waited = 0; waited < timeoutMs; waited += 20) {
    if (printed().find(piece) != std::string::npos) return true;
    Sleep(20);
  }
  return false;
}

// Ctrl+C typed at the console: the key goes into the console's input, and the console turns it into
// the Ctrl+C event of every program attached to it.
void typeCtrlC() {
  HANDLE in = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, 0, nullptr);
  INPUT_RECORD keys[2]{};
  for (int i = 0; i < 2; ++i) {
    keys[i].EventType = KEY_EVENT;
    keys[i].Event.KeyEvent.bKeyDown = i == 0;
    keys[i].Event.KeyEvent.wRepeatCount = 1;
    keys[i].Event.KeyEvent.wVirtualKeyCode = 'C';
    keys[i].Event.KeyEvent.uChar.UnicodeChar = 3;
    keys[i].Event.KeyEvent.dwControlKeyState = LEFT_CTRL_PRESSED;
  }
  DWORD written = 0;
  WriteConsoleInputW(in, keys, 2, &written);
  CloseHandle(in);
}

void atTheMenu() {
  Program program;
  if (!check(program.start(L""), "the program starts")) return;
  check(waitForOutput("-- Ação --"), "the menu is shown");
  typeCtrlC();
  long long code = program.ended(timeoutMs);
  check(code == 0, "Ctrl+C at the menu ends the program at once (exit " + std::to_string(code) + ")");
}

void duringARun() {
  const std::wstring bin = L"C:\\Meridano\\Tarvio\\pg10\\bin";
  const std::wstring pgDump = bin + L"\\pg_dump.exe";
  const std::wstring gate = pgDump + L".gate";
  for (const wchar_t* folder : {L"C:\\Meridano", L"C:\\Meridano\\Tarvio", L"C:\\Meridano\\Tarvio\\pg10",
                                L"C:\\Meridano\\Tarvio\\pg10\\bin"}) {
    CreateDirectoryW(folder, nullptr);
  }
  CopyFileW(gateStandin.c_str(), pgDump.c_str(), FALSE);
  CloseHandle(CreateFileW(gate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));

  Program program;
  if (!check(program.start(L"backup"), "the program starts for a backup")) return;
  if (check(waitForOutput("Aguarde, efetuando backup..."), "the first dump attempt waits")) {
    typeCtrlC();
    typeCtrlC();
    // The events reach the program on threads of their own: they are given a moment to arrive
    // before the run goes on.
    Sleep(1000);
    check(program.ended(0) == -1, "two Ctrl+C during the run: the program still runs");
    DeleteFileW(gate.c_str());
    // Started for a backup, the program asks nothing: its message is shown without waiting for OK.
    long long code = program.ended(timeoutMs);
    std::string text = printed();
    check(text.find("Fim...") != std::string::npos, "the run went on to its end");
    // No dump attempt succeeded: the exit code of a failed backup, then the program ends by itself.
    check(code == 1, "the program ends after the run, without reading the menu (exit " + std::to_string(code) + ")");
    check(text.find("-- Ação --") == std::string::npos, "the menu was not shown again");
    check(GetFileAttributesW(L"C:\\Meridano\\backup.bat") == INVALID_FILE_ATTRIBUTES &&
              GetFileAttributesW(L"C:\\Meridano\\pgpass") == INVALID_FILE_ATTRIBUTES,
          "no script or password file left");
  }
  DeleteFileW(gate.c_str());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  cli = argv[1];
  gateStandin = argv[2];
  // The console is Wine's window: what the driver says goes to the log file.
  _wfreopen(argv[3], L"w", stdout);
  output = std::wstring(argv[3]) + L".program";
  // The driver itself lets Ctrl+C pass, through a handler of its own: ignoring it with a null
  // handler would be inherited by the program.
  SetConsoleCtrlHandler([](DWORD) -> BOOL { return TRUE; }, TRUE);
  atTheMenu();
  duringARun();
  std::printf("%d check(s) failed\n", failures());
  std::fflush(stdout);
  return failures() == 0 ? 0 : 1;
}
