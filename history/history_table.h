// The history as a table for a person to read: one row per run, the error of a run that failed on a
// line of its own below it.
#pragma once

#include <string>
#include <vector>

#include "history/run_history.h"

namespace tarvio::history {

// The table's lines (header first), without line ends. With no runs, one line that says so.
std::vector<std::string> tableLines(const Recent& recent);

// "1,2 MB", "950 KB", "12 bytes".
std::string sizeWords(int64_t bytes);
// "0:00:12", "1:02:03" (hours, minutes, seconds).
std::string clockDuration(double seconds);

}  // namespace tarvio::history
