// The server's state as the restore reads it before dropping the database.
#include <gtest/gtest.h>

#include "platform/native.h"
#include "tests/platform/temp_drive.h"
#include "tests/support/wait_until.h"

#ifndef _WIN32
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>


extern char** environ;
#endif

namespace tarvio {
namespace {

#ifdef _WIN32
TEST(ServerStatus, SeesRunningProcessesByImageNameAndUninstalledServicesAsStopped) {
  auto status = makeNativeServerStatus("");
  EXPECT_EQ(status->runningProcesses({"nenhum-programa.exe", "PLATFORM_TESTS.EXE"}),
            std::vector<std::string>{"PLATFORM_TESTS.EXE"});
  EXPECT_FALSE(status->serviceRunning("tarvio-servico-que-nao-existe"));
}
#else
TEST(ServerStatus, SeesTheStandInProgramsBelowTheDriveWhileTheyRun) {
  test::TempDrive drive;
  drive.mkdirs("Meridano\\Tarvio\\tomcat9\\bin");
  drive.write("Meridano\\Tarvio\\tomcat9\\bin\\tomcat9.exe", "#!/bin/sh\nsleep 60\n");
  std::string program = drive.host("Meridano\\Tarvio\\tomcat9\\bin\\tomcat9.exe").string();
  chmod(program.c_str(), 0755);
  auto status = makeNativeServerStatus(drive.host("").string());
  const std::vector<std::string> images = {"Tarvio.exe", "TOMCAT9.EXE"};
  EXPECT_TRUE(status->runningProcesses(images).empty());

  char* argv[] = {program.data(), nullptr};
  pid_t pid = 0;
  // In a process group of its own, so that the kill reaches the shell's child too.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, &attributes, argv, environ), 0);
  posix_spawnattr_destroy(&attributes);
  // Until the shell has taken the script.
  EXPECT_TRUE(test::waitUntil([&] { return !status->runningProcesses(images).empty(); }));
  EXPECT_EQ(status->runningProcesses(images), std::vector<std::string>{"TOMCAT9.EXE"});
  kill(-pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  EXPECT_TRUE(status->runningProcesses(images).empty());
  EXPECT_FALSE(status->serviceRunning("tomcat9"));
  EXPECT_TRUE(status->elevated());
}
#endif

}  // namespace
}  // namespace tarvio
