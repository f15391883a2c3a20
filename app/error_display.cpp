// Error display: innermost message, the period rule, the stop box.
#include "app/error_display.h"

#include "common/silent_abort.h"
#include "platform/platform.h"

namespace tarvio {

namespace {

// The message of the innermost nested error with a non-empty message; `fallback` when none has one.
std::string innermostMessage(std::exception_ptr error, std::string fallback) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    std::string own = e.what();
    if (!own.empty()) fallback = own;
    try {
      std::rethrow_if_nested(e);
    } catch (...) {
      return innermostMessage(std::current_exception(), fallback);
    }
    return fallback;
  } catch (...) {
    return fallback;
  }
}

}  // namespace

std::string errorDisplayText(std::exception_ptr error) {
  std::string text = innermostMessage(error, "");
  // Any byte of a multi-byte UTF-8 character is above '.', as is the character's code.
  if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) {
    text += '.';
  }
  return text;
}

void showErrorDisplay(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const SilentAbort&) {
    return;
  } catch (...) {
  }
  desktop().showError(errorDisplayText(error));
}

bool runHandler(const std::function<void()>& handler) {
  try {
    handler();
    return true;
  } catch (...) {
    showErrorDisplay(std::current_exception());
    return false;
  }
}

}  // namespace tarvio
