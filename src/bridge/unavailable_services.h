// The pass-through when the tool runs without its virtual port
// (--no-port): it logs a clear warning when used and returns the failure
// result, so the page sees a failure rather than a pretended success.
#pragma once

#include "bridge/bridge_services.h"

namespace orbo {

// ApplyPassThrough, EndPassThrough: -1.
class UnavailablePassThrough : public PassThrough {
 public:
  int ApplyPassThrough(const std::string& json) override;
  int EndPassThrough() override;
};

}  // namespace orbo
