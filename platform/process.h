// Starting the command interpreter hidden and reading its exit code.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

namespace tarvio {

constexpr uint32_t stillActive = 259;  // STILL_ACTIVE: the exit code of a process that still runs

// A started process. Destroying it releases the handle; it never stops the process.
class RunningProcess {
 public:
  virtual ~RunningProcess() = default;
  // The exit code, stillActive while it runs; nullopt when it cannot be read at all.
  virtual std::optional<uint32_t> exitCode() = 0;
};

class ProcessLauncher {
 public:
  virtual ~ProcessLauncher() = default;
  // Starts `file` (found on the search path) with `parameters` in a hidden window, in the
  // program's current folder, like ShellExecuteExW with SEE_MASK_NOCLOSEPROCESS and SW_HIDE.
  // Returns nullptr when the start fails.
  virtual std::unique_ptr<RunningProcess> startHidden(std::string_view file,
                                                      std::string_view parameters) = 0;
};

}  // namespace tarvio
