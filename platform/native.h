// Factories for the real platform parts of the system the program is built for
// (platform/posix or platform/win32, chosen by CMake).
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace tarvio {

// driveC: on POSIX, the folder that stands for drive C:\ (ignored on Windows).
std::unique_ptr<FileSystem> makeNativeFileSystem(const std::string& driveC);
std::unique_ptr<CodePages> makeNativeCodePages();
// interpreter: on POSIX, the command interpreter stand-in that runs for "cmd.exe" (ignored on Windows).
// settings: variables given to every interpreter the launcher starts (see ProcessLauncher).
std::unique_ptr<ProcessLauncher> makeNativeProcessLauncher(const std::string& driveC,
                                                           const std::string& interpreter,
                                                           const EnvironmentSettings& settings = {});
std::unique_ptr<Clock> makeNativeClock();
// driveC: on POSIX, the lock is a file in the folder that stands for drive C:\ (ignored on Windows).
std::unique_ptr<RunLocks> makeNativeRunLocks(const std::string& driveC);
// driveC: on POSIX, the server's processes are the programs below that folder (ignored on Windows).
std::unique_ptr<ServerStatus> makeNativeServerStatus(const std::string& driveC);
// The system's event log: on Windows the Application event log under the source "Tarvio Backup";
// on POSIX it takes every event and keeps none.
std::unique_ptr<EventLog> makeNativeEventLog();

}  // namespace tarvio
