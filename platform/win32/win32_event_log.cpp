// The Application event log of Windows, under the source "Tarvio Backup".
//
// Event Viewer shows an event's text through the message file registered for its source. The program
// has no message file of its own: the source is registered with the one that Windows' own eventcreate
// uses (EventCreate.exe, whose messages 1 to 1000 show the event's text as it is), so the program's
// event numbers lie in that range. The program registers the source the first time it writes an event
// where it may (run as an administrator or as SYSTEM, as a scheduled task is); elsewhere the events are
// written all the same and Event Viewer shows their text below a note that the source is unknown.
#include <windows.h>

#include <mutex>

#include "platform/native.h"
#include "platform/win32/wide.h"

namespace tarvio {

namespace {

constexpr const wchar_t* sourceName = L"Tarvio Backup";
constexpr const wchar_t* sourceKey = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Tarvio Backup";
constexpr const wchar_t* messageFile = L"%SystemRoot%\\System32\\EventCreate.exe";
// An event's text may hold at most 31,839 characters.
constexpr size_t longestText = 31000;

// Registers the source unless it is registered already; without the rights to do so, nothing happens.
void registerSource() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, sourceKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
    RegCloseKey(key);
    return;
  }
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, sourceKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return;
  }
  std::wstring file(messageFile);
  RegSetValueExW(key, L"EventMessageFile", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(file.c_str()),
                 static_cast<DWORD>((file.size() + 1) * sizeof(wchar_t)));
  DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
  RegSetValueExW(key, L"TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&types), sizeof types);
  RegCloseKey(key);
}

WORD typeOf(EventSeverity severity) {
  switch (severity) {
    case EventSeverity::information: return EVENTLOG_INFORMATION_TYPE;
    case EventSeverity::warning: return EVENTLOG_WARNING_TYPE;
    case EventSeverity::error: return EVENTLOG_ERROR_TYPE;
  }
  return EVENTLOG_INFORMATION_TYPE;
}

class Win32EventLog : public EventLog {
 public:
  void report(EventSeverity severity, uint32_t eventId, std::string_view text) noexcept override {
    try {
      std::call_once(registered_, registerSource);
      std::wstring wide = widen(text.substr(0, longestText));
      HANDLE source = RegisterEventSourceW(nullptr, sourceName);
      if (!source) return;
      const wchar_t* strings[] = {wide.c_str()};
      ReportEventW(source, typeOf(severity), 0, eventId, nullptr, 1, 0, strings, nullptr);
      DeregisterEventSource(source);
    } catch (...) {
      // Out of memory: the event is lost, the run goes on.
    }
  }

 private:
  std::once_flag registered_;
};

}  // namespace

std::unique_ptr<EventLog> makeNativeEventLog() { return std::make_unique<Win32EventLog>(); }

}  // namespace tarvio
