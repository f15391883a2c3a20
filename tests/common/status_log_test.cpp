// The status log's four operations and what a listener sees.
#include "common/status_log.h"

#include <gtest/gtest.h>

namespace tarvio {
namespace {

class Recorder : public StatusLog::Listener {
 public:
  std::vector<std::string> events;
  void lineAdded(const std::string& line) override { events.push_back("add " + line); }
  void lastLineSelected() override { events.push_back("select"); }
  void cleared() override { events.push_back("clear"); }
};

TEST(status_log, starts_with_the_waiting_line_and_nothing_selected) {
  StatusLog log;
  EXPECT_EQ(log.lines(), std::vector<std::string>{"Aguardando ação..."});
  EXPECT_FALSE(log.selected());
}

TEST(status_log, operations) {
  StatusLog log;
  Recorder r;
  log.setListener(&r);
  log.clear();
  log.selectLast();  // empty log: nothing to select, no event
  EXPECT_FALSE(log.selected());
  log.add("um...");
  EXPECT_FALSE(log.selected());  // adding leaves the selection alone
  log.addAndSelectLast("dois!");
  EXPECT_EQ(log.selected(), 1u);
  log.add("três...");
  EXPECT_EQ(log.selected(), 1u);
  log.selectLast();
  EXPECT_EQ(log.selected(), 2u);
  EXPECT_EQ(log.lines(), (std::vector<std::string>{"um...", "dois!", "três..."}));
  EXPECT_EQ(r.events, (std::vector<std::string>{"clear", "add um...", "add dois!", "select",
                                                "add três...", "select"}));
  log.clear();
  EXPECT_TRUE(log.lines().empty());
  EXPECT_FALSE(log.selected());
}

}  // namespace
}  // namespace tarvio
