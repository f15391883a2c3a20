// The scripted desktop.
#include "tests/support/fake_desktop.h"

namespace tarvio::test {

void FakeDesktop::showMessage(std::string_view text) {
  calls.push_back("message: " + std::string(text));
  if (onMessage) onMessage();
}

void FakeDesktop::showError(std::string_view text) { calls.push_back("error: " + std::string(text)); }

bool FakeDesktop::askYesNo(std::string_view caption, std::string_view text) {
  calls.push_back("yesno: " + std::string(caption) + " | " + std::string(text));
  if (yesNoAnswers.empty()) return false;
  bool answer = yesNoAnswers.front();
  yesNoAnswers.pop_front();
  return answer;
}

std::optional<std::string> FakeDesktop::chooseFile(const FileDialogSettings& settings) {
  calls.push_back("file: " + settings.title);
  if (fileAnswers.empty()) return std::nullopt;
  auto answer = fileAnswers.front();
  fileAnswers.pop_front();
  return answer;
}

void FakeDesktop::processMessages() {
  ++pumps;
  if (onProcessMessages) onProcessMessages();
}

void FakeDesktop::startExplorer(std::string_view parameters) {
  calls.push_back("explorer: " + std::string(parameters));
}

}  // namespace tarvio::test
