// The main-window sandbox for run tests.
#include "tests/support/main_window.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace tarvio::test {

#ifndef TARVIO_CMD_STANDIN
#error "TARVIO_CMD_STANDIN must name the command interpreter stand-in"
#endif

MainWindowSandbox::MainWindowSandbox() : Sandbox(TARVIO_CMD_STANDIN), principal(*this, "") {
  principal.ListBox().clear();  // as the handlers leave it before a run
  // Real programs run here: the runner's pauses take a little real time, so that its waits, counted in
  // pauses, stay close to what they would be (a pause that returns at once would exhaust them early).
  clock.onSleep = [](unsigned) { std::this_thread::sleep_for(std::chrono::milliseconds(1)); };
  makeInstallLayout();
  // The restore's pg_restore, with which every backup has its dump read back.
  writeProgram("C:\\Meridano\\Tarvio\\pg10\\bin\\pg_restore.exe", pgRestoreListLine());
  std::filesystem::create_directories(searchPathFolder());
  const char* path = getenv("PATH");
  savedPath_ = path ? path : "";
  setenv("PATH", (searchPathFolder() + ":" + savedPath_).c_str(), 1);
}

MainWindowSandbox::~MainWindowSandbox() { setenv("PATH", savedPath_.c_str(), 1); }

bool MainWindowSandbox::lastLineSelected() const {
  auto selected = principal.ListBox().selected();
  return selected && *selected + 1 == log().size();
}

void MainWindowSandbox::writeProgram(const std::string& drivePath, const std::string& shellBody) {
  writeFile(drivePath, "#!/bin/sh\n" + shellBody + "\n");
  chmod(host(drivePath).c_str(), 0755);
}

std::string MainWindowSandbox::pgRestoreListLine() {
  return "if [ \"$1\" = --list ]; then [ \"$(head -c 5 \"$2\")\" = PGDMP ]; exit; fi";
}

void MainWindowSandbox::buttonEnabledChanged(MainButton button, bool enabled) {
  buttonEvents.push_back(std::string(enabled ? "enable " : "disable ") +
                         (button == MainButton::EfetuarBackup ? "Efetuar" : "Restaurar"));
}

}  // namespace tarvio::test
