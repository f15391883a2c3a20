// The one installed platform object through which the program reaches the OS.
// The program installs the real one at start-up; tests install sandboxes and fakes.
#pragma once

#include "platform/clock.h"
#include "platform/codepages.h"
#include "platform/desktop.h"
#include "platform/event_log.h"
#include "platform/filesystem.h"
#include "platform/process.h"
#include "platform/run_lock.h"
#include "platform/server_status.h"

namespace tarvio {

struct Platform {
  FileSystem* fs = nullptr;
  CodePages* codePages = nullptr;
  ProcessLauncher* processes = nullptr;
  Desktop* desktop = nullptr;
  Clock* clock = nullptr;
  RunLocks* runLocks = nullptr;
  ServerStatus* server = nullptr;
  EventLog* eventLog = nullptr;
};

// The installed platform. Every member must be set before the program uses it.
Platform& platform();
void installPlatform(const Platform& p);

// Shorthands.
inline FileSystem& fs() { return *platform().fs; }
inline CodePages& codePages() { return *platform().codePages; }
inline Desktop& desktop() { return *platform().desktop; }
inline Clock& clock() { return *platform().clock; }
inline RunLocks& runLocks() { return *platform().runLocks; }
inline ServerStatus& server() { return *platform().server; }
inline EventLog& eventLog() { return *platform().eventLog; }

}  // namespace tarvio
