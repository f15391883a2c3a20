// Maps the program's drive paths ("C:\Meridano\x") onto the host folder that stands for drive C:.
// Free of other dependencies so that the command interpreter stand-in can reuse it.
#pragma once

#include <string>
#include <string_view>

namespace tarvio {

// "C:\a\b" (drive letter in any case, backslashes or slashes) -> "<driveC>/a/b"; "C:" -> driveC.
// Any other drive letter maps the same way: there is only one drive on POSIX.
// A path that does not start with a drive letter and a colon is a native path and comes back
// unchanged, so real host paths (benchmarks, temporary folders) work as they are.
std::string toHostPath(std::string_view path, std::string_view driveC);

}  // namespace tarvio
