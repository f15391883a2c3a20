// What the restore needs to know of the installed server before it drops the database, and of the
// program's own rights: stopping the server's service needs an administrator.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvio {

class ServerStatus {
 public:
  virtual ~ServerStatus() = default;
  // The names among `images` ("tomcat9.exe") of which a process is running, letter case ignored.
  virtual std::vector<std::string> runningProcesses(const std::vector<std::string>& images) = 0;
  // True when the service is installed and not stopped; a state that cannot be read counts as
  // running, so that nothing is dropped under a server that may still be up.
  virtual bool serviceRunning(std::string_view name) = 0;
  // True when the program runs with an administrator's rights.
  virtual bool elevated() = 0;
};

}  // namespace tarvio
