// The status log: the main window's list of progress and outcome lines.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tarvio {

class StatusLog {
 public:
  // A rendition that draws the log listens to its four operations.
  class Listener {
   public:
    virtual ~Listener() = default;
    virtual void lineAdded(const std::string& line) = 0;
    virtual void lastLineSelected() = 0;  // only called when the log is not empty
    virtual void cleared() = 0;
  };

  StatusLog();  // holds the one initial line "Aguardando ação..."

  // Appends a line; the selection does not change.
  void add(const std::string& line);
  // Selects the last line (nothing on an empty log).
  void selectLast();
  // add, then selectLast.
  void addAndSelectLast(const std::string& line);
  // Removes every line.
  void clear();

  const std::vector<std::string>& lines() const { return lines_; }
  std::optional<std::size_t> selected() const { return selected_; }
  void setListener(Listener* listener) { listener_ = listener; }

 private:
  std::vector<std::string> lines_;
  std::optional<std::size_t> selected_;
  Listener* listener_ = nullptr;
};

}  // namespace tarvio
