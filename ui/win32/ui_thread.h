// The thread that owns the program's windows, and work done away from it.
//
// A long operation (a backup or restore run, a login attempt) runs on a worker thread of its own
// while the window thread waits for it in a message loop, so the windows keep answering: they
// repaint, move, show each new status line and are never taken for hung. Whatever the operation asks
// of a window or of the desktop (a status line, a box, the file-open dialog, Explorer) is run on the
// window thread, through a message sent to a hidden window, and the operation waits for the answer.
// An operation runs from its start to its end on its one worker thread, so what a thread owns
// (the run lock's mutex) is taken and released on the same thread.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <utility>

namespace tarvio::win32ui {

// Hands one message to its window, serving the dialog keys (Tab, Enter, Esc) of the program's
// windows that handle them (the main window and the login dialog).
void dispatchWindowMessage(MSG& msg);

class UiThread {
 public:
  // Made on the window thread.
  explicit UiThread(HINSTANCE instance);
  ~UiThread();
  UiThread(const UiThread&) = delete;
  UiThread& operator=(const UiThread&) = delete;

  bool isCurrent() const { return GetCurrentThreadId() == threadId_; }

  // Runs `task` on the window thread and returns once it has ended: at once when called there,
  // otherwise through a message sent to the window thread, which handles it in whichever message
  // loop it is in. An error that `task` raises is raised here, on the calling thread.
  void call(const std::function<void()>& task);
  // The same for a task with a result.
  template <class Task>
  auto get(Task task) -> decltype(task()) {
    std::optional<decltype(task())> result;
    call([&] { result.emplace(task()); });
    return std::move(*result);
  }

  // Called on the window thread: runs `work` on a worker thread of its own and handles this
  // thread's messages until the work has ended. An error that `work` raises is raised here.
  // A WM_QUIT met meanwhile is posted again afterwards for the loop that waits for it.
  void runOnWorker(const std::function<void()>& work);

 private:
  static LRESULT CALLBACK dispatcherProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  DWORD threadId_;
  HWND dispatcher_ = nullptr;
};

}  // namespace tarvio::win32ui
