// The one place where errors that leave a window's handler are shown.
#pragma once

#include <exception>
#include <functional>
#include <string>

namespace tarvio {

// The text that the error box shows for an error: the message of the innermost nested error that
// has a non-empty message (the error's own if none), with "." appended when the text is not empty
// and its last character's code is greater than that of ".".
std::string errorDisplayText(std::exception_ptr error);

// Shows an error in the error box; a silent abort is shown to nobody.
void showErrorDisplay(std::exception_ptr error);

// Runs one handler of a window the way the window toolkit does: whatever escapes it goes to the
// error display. Returns true when the handler ended normally, false when an error escaped
// (a silent abort included).
bool runHandler(const std::function<void()>& handler);

}  // namespace tarvio
