// The record of one run.
#include "backup/recorded_run.h"

#include "common/main_window.h"
#include "common/paths.h"
#include "common/silent_abort.h"
#include "platform/platform.h"

namespace tarvio {

namespace {

// The message of the innermost nested error that has one, as the error display shows it.
std::string messageOf(const std::exception& e) {
  std::string text = e.what();
  try {
    std::rethrow_if_nested(e);
  } catch (const std::exception& inner) {
    std::string innerText = messageOf(inner);
    if (!innerText.empty()) text = innerText;
  } catch (...) {
  }
  return text;
}

}  // namespace

RunRecord::RunRecord(history::RunKind kind) : start_(std::chrono::steady_clock::now()) {
  entry_.started = clock().now();
  entry_.kind = kind;
  entry_.origin = history::runOrigin();
}

void RunRecord::setFailure(std::string error) {
  entry_.outcome = history::Outcome::failure;
  entry_.error = std::move(error);
}

void RunRecord::stopClock() {
  if (!end_) end_ = std::chrono::steady_clock::now();
}

void RunRecord::write(std::exception_ptr error) noexcept {
  if (written_) return;
  written_ = true;
  try {
    if (error) {
      try {
        std::rethrow_exception(error);
      } catch (const SilentAbort&) {
        entry_.outcome = history::Outcome::cancelled;
      } catch (const AnotherRunInProgress& e) {
        entry_.outcome = history::Outcome::refused;
        entry_.error = e.what();
      } catch (const std::exception& e) {
        entry_.outcome = history::Outcome::failure;
        entry_.error = messageOf(e);
      } catch (...) {
        entry_.outcome = history::Outcome::failure;
        entry_.error = "unknown error";
      }
    }
    stopClock();
    entry_.seconds = std::chrono::duration<double>(*end_ - start_).count();
    if (!entry_.archive.empty()) {
      int64_t size = fs().fileSize(entry_.archive);
      if (size >= 0) entry_.archiveBytes = size;
    }
    eventLog().report(history::severityOf(entry_), history::eventIdOf(entry_), history::eventText(entry_));
    try {
      history::append(entry_);
    } catch (const std::exception& e) {
      if (Principal) {
        Principal->ListBox().addAndSelectLast("O histórico " + std::string(paths::historyFile) +
                                              " não pôde ser gravado: " + e.what());
      }
    }
  } catch (...) {
    // Out of memory while recording: the run's own outcome goes on to its caller.
  }
}

}  // namespace tarvio
