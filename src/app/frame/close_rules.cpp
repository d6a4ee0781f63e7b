#include "app/frame/close_rules.h"

namespace orbo {

CloseStep DecideClose(int server, int tunnelMode) {
  if (server == 0) return CloseStep::kClose;
  return tunnelMode != 0 ? CloseStep::kAskThenRemoveService : CloseStep::kRemoveServiceThenClose;
}

}  // namespace orbo
