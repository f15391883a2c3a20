// Helpers of the GUI test driver.
#include "gui_driver_kit.h"

#include "tests/support/win32_start_process.h"
#include "ui/win32/control_ids.h"

#include <algorithm>
#include <cstdio>

namespace guitest {

namespace {
int failed = 0;
constexpr UINT messageTimeoutMs = 3000;
}  // namespace

bool check(bool ok, const std::string& what) {
  // The time since the driver started, to see where a slow run spends it.
  static const ULONGLONG start = GetTickCount64();
  std::printf("%s - %s  [%.1f s]\n", ok ? "ok" : "not ok", what.c_str(),
              static_cast<double>(GetTickCount64() - start) / 1000.0);
  std::fflush(stdout);
  if (!ok) ++failed;
  return ok;
}

int failures() { return failed; }

std::string narrow(const std::wstring& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

bool App::running() const {
  return process.hProcess && WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD App::close(HWND mainWindow) {
  if (mainWindow && IsWindow(mainWindow)) PostMessageW(mainWindow, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 99);
    WaitForSingleObject(process.hProcess, 5000);
  }
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  process = {};
  return code;
}

App startApp(const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder) {
  App app;
  std::wstring line = L"\"" + exe + L"\"";
  if (!arguments.empty()) line += L" " + arguments;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  if (!tarvio::test::startProcess(line, FALSE, 0, folder.c_str(), si, app.process)) {
    std::fprintf(stderr, "# CreateProcessW failed: error %lu\n", GetLastError());
    app.process = {};
  }
  return app;
}

namespace {

struct Search {
  DWORD processId;
  const wchar_t* cls;
  const wchar_t* caption;
  HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM param) {
  auto* s = reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if ((s->processId && pid != s->processId) || !IsWindowVisible(window)) return TRUE;
  wchar_t buffer[256] = {};
  if (s->cls) {
    GetClassNameW(window, buffer, 256);
    if (lstrcmpW(buffer, s->cls) != 0) return TRUE;
  }
  if (s->caption && text(window) != s->caption) return TRUE;
  s->found = window;
  return FALSE;
}

}  // namespace

HWND findWindow(DWORD processId, const wchar_t* cls, const wchar_t* caption) {
  Search s{processId, cls, caption, nullptr};
  EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND waitForWindow(DWORD processId, const wchar_t* cls, const wchar_t* caption, int timeoutMs) {
  for (int waited = 0;; waited += 20) {
    if (HWND w = findWindow(processId, cls, caption)) return w;
    if (waited >= timeoutMs) return nullptr;
    Sleep(20);
  }
}

bool waitGone(HWND window, int timeoutMs) {
  for (int waited = 0; IsWindow(window) && IsWindowVisible(window); waited += 20) {
    if (waited >= timeoutMs) return false;
    Sleep(20);
  }
  return true;
}

std::string fileStart(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string text(1 << 20, '\0');
  DWORD got = 0;
  ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &got, nullptr);
  CloseHandle(file);
  text.resize(got);
  return text;
}

void removeTree(const std::wstring& folder) {
  WIN32_FIND_DATAW entry{};
  HANDLE found = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (found != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        removeTree(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(found, &entry));
    FindClose(found);
  }
  RemoveDirectoryW(folder.c_str());
}

std::wstring text(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, messageTimeoutMs, &length)) {
    return L"<no answer>";
  }
  std::wstring buffer(length + 1, L'\0');
  DWORD_PTR got = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(buffer.data()),
                      SMTO_ABORTIFHUNG, messageTimeoutMs, &got);
  buffer.resize(got);
  return buffer;
}

std::vector<std::wstring> listLines(HWND listBox) {
  std::vector<std::wstring> lines;
  DWORD_PTR count = 0;
  if (!SendMessageTimeoutW(listBox, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, messageTimeoutMs, &count)) {
    return {L"<no answer>"};
  }
  // LB_GETTEXT takes no buffer size, and the program changes its lines while they are read: a line
  // asked for its length and then read may have grown in between (the log cleared and filled
  // again), and the text then ran past a buffer of the length first given. One buffer far larger
  // than any line of the log serves every read.
  std::vector<wchar_t> buffer(64 * 1024, L'\0');
  for (DWORD_PTR i = 0; i < count; ++i) {
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(listBox, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG,
                             messageTimeoutMs, &got) ||
        got == static_cast<DWORD_PTR>(LB_ERR)) {
      got = 0;
    }
    lines.emplace_back(buffer.data(), std::min<size_t>(got, buffer.size()));
  }
  return lines;
}

int selectedLine(HWND listBox) {
  DWORD_PTR index = 0;
  if (!SendMessageTimeoutW(listBox, LB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, messageTimeoutMs, &index)) return -1;
  return static_cast<int>(static_cast<LRESULT>(index));
}

namespace {

struct DescendantSearch {
  const wchar_t* cls;
  int id;
  HWND found;
};

BOOL CALLBACK matchDescendant(HWND window, LPARAM param) {
  auto* s = reinterpret_cast<DescendantSearch*>(param);
  wchar_t buffer[256] = {};
  GetClassNameW(window, buffer, 256);
  if (GetDlgCtrlID(window) != s->id || lstrcmpiW(buffer, s->cls) != 0) return TRUE;
  s->found = window;
  return FALSE;
}

}  // namespace

HWND findDescendant(HWND parent, const wchar_t* cls, int id) {
  DescendantSearch s{cls, id, nullptr};
  EnumChildWindows(parent, matchDescendant, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

bool fileExists(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

RECT rectIn(HWND control, HWND parent) {
  RECT r{};
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

HWND focusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
  return info.hwndFocus;
}

void click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

bool roundTrip(HWND window) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 15000, &result) != 0;
}

bool postedRoundTrip(HWND button) {
  auto pushed = [button] {
    DWORD_PTR state = 0;
    return SendMessageTimeoutW(button, BM_GETSTATE, 0, 0, SMTO_NORMAL, 15000, &state) && (state & BST_PUSHED);
  };
  if (pushed()) SendMessageTimeoutW(button, BM_SETSTATE, FALSE, 0, SMTO_NORMAL, 15000, nullptr);
  PostMessageW(button, BM_SETSTATE, TRUE, 0);
  bool seen = false;
  for (int waited = 0; !(seen = pushed()) && waited < 15000; waited += 10) Sleep(10);
  SendMessageTimeoutW(button, BM_SETSTATE, FALSE, 0, SMTO_NORMAL, 15000, nullptr);
  return seen;
}

void shoot(const std::wstring& requestFolder, const std::wstring& name, std::vector<HWND> windows) {
  RECT all{};
  bool first = true;
  for (HWND w : windows) {
    RECT r;
    if (!w || !GetWindowRect(w, &r)) continue;
    if (first) {
      all = r;
      first = false;
    } else {
      UnionRect(&all, &all, &r);
    }
  }
  // Let the windows finish painting before the picture is taken.
  Sleep(300);
  CreateDirectoryW(requestFolder.c_str(), nullptr);
  std::wstring request = requestFolder + L"\\" + name + L".req";
  HANDLE file = CreateFileW(request.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  char geometry[64];
  int n = std::snprintf(geometry, sizeof geometry, "%ldx%ld+%ld+%ld\n", all.right - all.left,
                        all.bottom - all.top, all.left, all.top);
  DWORD written = 0;
  WriteFile(file, geometry, static_cast<DWORD>(n), &written, nullptr);
  CloseHandle(file);
  // The screenshot loop deletes the request once the picture is saved.
  for (int waited = 0; GetFileAttributesW(request.c_str()) != INVALID_FILE_ATTRIBUTES && waited < 10000;
       waited += 50) {
    Sleep(50);
  }
}

bool startRestore(DWORD processId, HWND main, const std::wstring& chosen, const std::wstring& shotsFolder,
                  const std::wstring& shotName) {
  namespace ids = tarvio::win32ui::ids;
  constexpr int timeoutMs = 30000;
  constexpr int fileNameEditId = 0x47C;  // the file-open dialog's file-name field (an Edit in a ComboBoxEx)
  click(GetDlgItem(main, ids::restaurarBackup));
  HWND box = waitForWindow(processId, L"#32770", L"Atenção!", timeoutMs);
  HWND dialog = nullptr;
  if (check(box != nullptr, "\"Restaurar Backup\" asks \"Atenção!\"")) {
    click(GetDlgItem(box, IDYES));
    dialog = waitForWindow(processId, tarvio::win32ui::authenticationWindowClass, L"Autenticação", timeoutMs);
  }
  HWND chooser = nullptr;
  if (check(dialog != nullptr, "Yes opens \"Autenticação\"")) {
    SendMessageW(GetDlgItem(dialog, ids::authUser), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"zefyrdal"));
    SendMessageW(GetDlgItem(dialog, ids::authPassword), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"kwandolime"));
    click(GetDlgItem(dialog, IDOK));
    check(waitGone(dialog, timeoutMs), "OK with the support account closes the login dialog");
    chooser = waitForWindow(processId, L"#32770", L"Selecione o Arquivo de Backup", timeoutMs);
  }
  HWND nameField = chooser ? findDescendant(chooser, L"Edit", fileNameEditId) : nullptr;
  if (!check(nameField != nullptr, "the file-open dialog opens with its file-name field")) return false;
  SendMessageW(nameField, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(chosen.c_str()));
  check(text(nameField) == chosen, "the chosen file's full path is typed into the file-name field");
  if (!shotName.empty()) shoot(shotsFolder, shotName, {main, chooser});
  PostMessageW(chooser, WM_COMMAND, IDOK, 0);
  return check(waitGone(chooser, timeoutMs), "OK closes the file-open dialog");
}

}  // namespace guitest
