// Helpers of the GUI test driver: start the program, find its windows, read and click controls,
// ask for screenshots, and count checks.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace guitest {

// What the drivers look for in the program's windows.
inline const wchar_t* const boxClass = L"#32770";  // a message box's or a dialog's class
inline constexpr int staticTextId = 0xFFFF;        // a message box's text
inline const wchar_t* const installRoot = L"C:\\Meridano\\Tarvio";
inline const std::wstring archivePrefix = L"C:\\Meridano\\Tarvio\\backup\\tarvio-";
// The message dialog's text at the end of a backup, misspelt as the program writes it.
inline const std::wstring successBoxPrefix = L"Backup efetuado com êxito! Dispinível em " + archivePrefix;
inline const wchar_t* const restoreEndLine =
    L"Restauração do Banco de Dados Finalizada! Aguarde o sistema inicializar e verifique as "
    L"informações restauradas.";

// Prints "ok - what" or "not ok - what"; the driver fails when any check failed.
bool check(bool ok, const std::string& what);
int failures();

std::string narrow(const std::wstring& text);

struct App {
  PROCESS_INFORMATION process{};
  bool running() const;
  // Closes the main window (or ends the process) and returns its exit code.
  DWORD close(HWND mainWindow);
};

// Starts `exe` with the given argument text in `folder`.
App startApp(const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder);

// A visible top-level window of the process with this class (any when null) and caption,
// waited for up to `timeoutMs`; null when none appeared.
HWND waitForWindow(DWORD processId, const wchar_t* cls, const wchar_t* caption, int timeoutMs);
// Any visible top-level window of the process with this class.
HWND findWindow(DWORD processId, const wchar_t* cls, const wchar_t* caption);
bool waitGone(HWND window, int timeoutMs);

std::wstring text(HWND window);
std::vector<std::wstring> listLines(HWND listBox);
// The index of a single-selection list box's selected line; -1 when none (or no answer).
int selectedLine(HWND listBox);
// A descendant of `parent` (at any depth) with this class and control id; null when none.
HWND findDescendant(HWND parent, const wchar_t* cls, int id);
bool fileExists(const std::wstring& path);
// The first MiB of a file another program may still be writing; empty when it cannot be opened.
std::string fileStart(const std::wstring& path);
// Deletes a folder with everything in it (a folder a scenario laid out, and what the runs added).
void removeTree(const std::wstring& folder);
// A control's rectangle in the client coordinates of `parent`.
RECT rectIn(HWND control, HWND parent);
HWND focusOf(HWND window);  // the focused window of the thread that owns `window`
// Posts a button click (posted, so that a modal window the click opens does not block us).
void click(HWND button);

// Waits until the thread of `window` has handled what was sent to it before and is back waiting for
// messages, in its message loop or a modal one: a WM_NULL sent and answered. False when no answer
// came. Messages sent are handled before messages posted: see postedRoundTrip.
bool roundTrip(HWND window);
// Waits until the thread of `button` has handled every message posted to its windows before this
// call: a harmless BM_SETSTATE is posted to the button, and its effect looked for (posted messages
// are handled in order). False when it was never seen.
bool postedRoundTrip(HWND button);

// Asks the screenshot loop for a picture of the screen area of the given windows, named `name`.
void shoot(const std::wstring& requestFolder, const std::wstring& name, std::vector<HWND> windows);

// A restore started the way a user starts it: "Restaurar Backup", Yes, the support account, the
// chosen file's path typed into the file-open dialog, OK. Each step counts as a check; false when a
// window did not come. A screenshot of the file-open dialog when shotName is not empty.
bool startRestore(DWORD processId, HWND main, const std::wstring& chosen, const std::wstring& shotsFolder,
                  const std::wstring& shotName);

}  // namespace guitest
