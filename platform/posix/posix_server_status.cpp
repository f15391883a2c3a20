// The server's state on POSIX, where the server is played by stand-in programs below the folder that
// stands for drive C:\. A process counts as the server's image "tomcat9.exe" when the program it
// runs, or the script it runs (a "#!" stand-in), lies below that folder under that name. There are
// no Windows services here: none is ever running. The program needs no rights of its own here.
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "common/ascii.h"
#include "platform/native.h"

namespace tarvio {

namespace {

// The first two words of a process's command line (program, and the script a shell runs); none
// when the process has ended meanwhile.
std::vector<std::string> leadingArguments(const std::string& pid) {
  std::string all;
  int fd = open(("/proc/" + pid + "/cmdline").c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    char buffer[4096];
    ssize_t got;
    while (all.size() < 64 * 1024 && (got = read(fd, buffer, sizeof buffer)) > 0) all.append(buffer, static_cast<size_t>(got));
    close(fd);
  }
  std::vector<std::string> words;
  for (size_t at = 0; at < all.size() && words.size() < 2;) {
    size_t end = all.find('\0', at);
    if (end == std::string::npos) end = all.size();
    words.push_back(all.substr(at, end - at));
    at = end + 1;
  }
  return words;
}

class PosixServerStatus : public ServerStatus {
 public:
  explicit PosixServerStatus(std::string driveC) : driveC_(std::move(driveC)) {
    while (driveC_.size() > 1 && driveC_.back() == '/') driveC_.pop_back();
  }

  std::vector<std::string> runningProcesses(const std::vector<std::string>& images) override {
    std::vector<std::string> running;
    DIR* proc = opendir("/proc");
    if (!proc) return running;
    while (dirent* e = readdir(proc)) {
      std::string pid = e->d_name;
      if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
      for (const auto& word : leadingArguments(pid)) {
        if (word.rfind(driveC_ + "/", 0) != 0) continue;
        std::string name = word.substr(word.find_last_of('/') + 1);
        for (const auto& image : images) {
          if (equalsIgnoringAsciiCase(name, image) && std::find(running.begin(), running.end(), image) == running.end()) {
            running.push_back(image);
          }
        }
      }
    }
    closedir(proc);
    return running;
  }

  bool serviceRunning(std::string_view) override { return false; }
  bool elevated() override { return true; }

 private:
  std::string driveC_;
};

}  // namespace

std::unique_ptr<ServerStatus> makeNativeServerStatus(const std::string& driveC) {
  return std::make_unique<PosixServerStatus>(driveC);
}

}  // namespace tarvio
