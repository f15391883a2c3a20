// The run lock on Windows: a named mutex in the Global\ namespace, so that the Remote Desktop
// sessions of every user exclude each other; Local\ when the global one may not be created. The
// system releases a mutex whose owner ends (the next waiter gets WAIT_ABANDONED, which counts as
// taken). Taken and released on the same thread, as mutex ownership requires.
#include <windows.h>
#include <sddl.h>

#include <stdexcept>
#include <string>

#include "platform/native.h"

namespace tarvio {

namespace {

constexpr DWORD kAccess = SYNCHRONIZE | MUTEX_MODIFY_STATE;

class Win32HeldRunLock : public HeldRunLock {
 public:
  explicit Win32HeldRunLock(HANDLE mutex) : mutex_(mutex) {}
  ~Win32HeldRunLock() override {
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
  }

 private:
  HANDLE mutex_;
};

// A mutex that every user may wait for and release, so that a run in another user's session is
// seen as running and not as a refusal.
HANDLE createMutex(const wchar_t* name) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};  // not inherited by the scripts
  if (ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;0x00100001;;;WD)", SDDL_REVISION_1,
                                                           &descriptor, nullptr)) {
    attributes.lpSecurityDescriptor = descriptor;
  }
  HANDLE mutex = CreateMutexExW(&attributes, name, 0, kAccess);
  DWORD error = GetLastError();
  if (descriptor) LocalFree(descriptor);
  SetLastError(error);
  return mutex;
}

class Win32RunLocks : public RunLocks {
 public:
  std::unique_ptr<HeldRunLock> tryAcquire() override {
    HANDLE mutex = createMutex(L"Global\\TarvioBackup.Execucao");
    if (!mutex && GetLastError() == ERROR_ACCESS_DENIED) mutex = createMutex(L"Local\\TarvioBackup.Execucao");
    if (!mutex) throw std::runtime_error("Cannot create the run lock. System error " + std::to_string(GetLastError()));
    DWORD waited = WaitForSingleObject(mutex, 0);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) return std::make_unique<Win32HeldRunLock>(mutex);
    CloseHandle(mutex);
    if (waited == WAIT_TIMEOUT) return nullptr;
    throw std::runtime_error("Cannot take the run lock. System error " + std::to_string(GetLastError()));
  }
};

}  // namespace

std::unique_ptr<RunLocks> makeNativeRunLocks(const std::string&) { return std::make_unique<Win32RunLocks>(); }

}  // namespace tarvio
