// The window thread's dispatcher and the worker threads of long operations.
#include "ui/win32/ui_thread.h"

#include <exception>
#include <system_error>
#include <thread>

#include "ui/win32/control_ids.h"

namespace tarvio::win32ui {

namespace {

constexpr const wchar_t* dispatcherClass = L"TarvioUiThread";
// wParam: unused; lParam: the Call to run.
constexpr UINT callMessage = WM_APP + 1;

struct Call {
  const std::function<void()>* task;
  std::exception_ptr error;
};

// The windows that use the dialog manager's keyboard handling.
bool handlesDialogKeys(HWND window) {
  wchar_t name[32] = {};
  GetClassNameW(window, name, 32);
  return lstrcmpW(name, mainWindowClass) == 0 || lstrcmpW(name, authenticationWindowClass) == 0;
}

// Closes a Win32 handle when the scope ends.
struct HandleCloser {
  HANDLE handle;
  ~HandleCloser() { CloseHandle(handle); }
};

}  // namespace

void dispatchWindowMessage(MSG& msg) {
  HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (root && handlesDialogKeys(root) && IsDialogMessageW(root, &msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

UiThread::UiThread(HINSTANCE instance) : threadId_(GetCurrentThreadId()) {
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof cls;
  cls.lpfnWndProc = dispatcherProc;
  cls.hInstance = instance;
  cls.lpszClassName = dispatcherClass;
  if (!GetClassInfoExW(instance, dispatcherClass, &cls)) RegisterClassExW(&cls);
  // A message-only window: never shown, never enumerated among the top-level windows.
  dispatcher_ = CreateWindowExW(0, dispatcherClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
  if (!dispatcher_) throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                            "Cannot create the window thread's dispatcher");
}

UiThread::~UiThread() {
  if (dispatcher_) DestroyWindow(dispatcher_);
}

LRESULT CALLBACK UiThread::dispatcherProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != callMessage) return DefWindowProcW(window, message, wParam, lParam);
  auto* call = reinterpret_cast<Call*>(lParam);
  try {
    (*call->task)();
  } catch (...) {
    call->error = std::current_exception();
  }
  return 0;
}

void UiThread::call(const std::function<void()>& task) {
  if (isCurrent()) {
    task();
    return;
  }
  Call call{&task, nullptr};
  // Sent, not posted: the window thread handles sent messages in every message loop it runs
  // (its own, a box's, a dialog's), and this thread waits here until the task has ended.
  SendMessageW(dispatcher_, callMessage, 0, reinterpret_cast<LPARAM>(&call));
  if (call.error) std::rethrow_exception(call.error);
}

void UiThread::runOnWorker(const std::function<void()>& work) {
  HANDLE ended = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!ended) throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                      "Cannot create an event");
  HandleCloser closeEnded{ended};
  std::exception_ptr error;
  // A thread that cannot be started raises its error here, before anything has run.
  std::thread worker([&] {
    try {
      work();
    } catch (...) {
      error = std::current_exception();
    }
    SetEvent(ended);
  });

  std::optional<WPARAM> quit;
  for (;;) {
    // Wakes for the end of the work and for every message as it arrives (sent ones are handled
    // inside the wait itself).
    DWORD woke = MsgWaitForMultipleObjectsEx(1, &ended, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woke == WAIT_OBJECT_0) break;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit = msg.wParam;
        continue;
      }
      dispatchWindowMessage(msg);
    }
    // Never a busy loop, whatever the system answers.
    if (woke == WAIT_FAILED && WaitForSingleObject(ended, 10) == WAIT_OBJECT_0) break;
  }
  worker.join();
  if (quit) PostQuitMessage(static_cast<int>(*quit));
  if (error) std::rethrow_exception(error);
}

}  // namespace tarvio::win32ui
