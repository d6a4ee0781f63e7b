// The page-command table against the page's numbers: where each command is
// answered, what it queues, and which codes run a box operation.
#include <gtest/gtest.h>

#include <set>

#include "bridge/page_command.h"

namespace orbo {
namespace {

TEST(PageCommandTable, PinsThePageNumbers) {
  std::set<int> page, ui, worker;
  for (int n = -5; n <= 40; ++n) {
    const auto row = FindPageCommand(n);
    if (!row) continue;
    EXPECT_EQ(Code(row->command), n);
    if (row->answeredBy == AnsweredBy::kPageProcess) page.insert(n);
    if (row->answeredBy == AnsweredBy::kUiSide) ui.insert(n);
    if (IsWorkerOperation(OperationOfQueued(n))) worker.insert(n);
    // A queued command runs what its queued code runs.
    EXPECT_EQ(row->queues.has_value(), row->answeredBy == AnsweredBy::kQueued) << n;
    if (row->queues) {
      EXPECT_EQ(row->operation, OperationOfQueued(Code(*row->queues))) << n;
    }
  }
  EXPECT_EQ(page, (std::set<int>{23, 24}));
  EXPECT_EQ(ui, (std::set<int>{7, 8}));
  EXPECT_EQ(worker, (std::set<int>{1, 2, 3, 4, 5, 13, 14, 15, 16, 18}));
  EXPECT_EQ(FindPageCommand(0)->queues, PageCommand::kResendSetup);
  EXPECT_EQ(OperationOfQueued(10), BoxOperation::kLanScan);
  EXPECT_EQ(OperationOfQueued(28), BoxOperation::kReconnect);
  for (int n : {25, 27, 29, -1, 1000}) {
    EXPECT_FALSE(FindPageCommand(n)) << n;
    EXPECT_EQ(OperationOfQueued(n), BoxOperation::kNone) << n;
  }
}

}  // namespace
}  // namespace orbo
