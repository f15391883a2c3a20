// Drive path to host path mapping.
#include "platform/posix/drive_path.h"

namespace tarvio {

std::string toHostPath(std::string_view path, std::string_view driveC) {
  bool hasDrive = path.size() >= 2 && path[1] == ':' &&
                  ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  if (!hasDrive) return std::string(path);
  std::string host(driveC);
  while (host.size() > 1 && host.back() == '/') host.pop_back();
  std::string_view rest = path.substr(2);
  // "C:x" (relative to the drive's current folder) has no meaning here; treat it as "C:\x".
  if (!rest.empty() && rest.front() != '\\' && rest.front() != '/') host += '/';
  for (char c : rest) host += (c == '\\') ? '/' : c;
  return host;
}

}  // namespace tarvio
