// The status log model.
#include "common/status_log.h"

namespace tarvio {

StatusLog::StatusLog() : lines_{"Aguardando ação..."} {}

void StatusLog::add(const std::string& line) {
  lines_.push_back(line);
  if (listener_) listener_->lineAdded(line);
}

void StatusLog::selectLast() {
  if (lines_.empty()) return;
  selected_ = lines_.size() - 1;
  if (listener_) listener_->lastLineSelected();
}

void StatusLog::addAndSelectLast(const std::string& line) {
  add(line);
  selectLast();
}

void StatusLog::clear() {
  lines_.clear();
  selected_.reset();
  if (listener_) listener_->cleared();
}

}  // namespace tarvio
