// The box worker's link step: rebuilds the box link every cycle, serves a
// LAN discovery request, counts and reports a lost box, and identifies the
// box when asked to. Runs on the worker thread with commandMutex held.
#pragma once

#include <functional>
#include <string>

#include "bridge/bridge_services.h"
#include "bridge/command_state.h"
#include "ops/context/ops_context.h"

namespace orbo {

// Failed link cycles after which a lost box is reported.
inline constexpr int kFailuresPerReport = 10;

class DetectLinkStep : public LinkStep {
 public:
  // Builds the link for the state's connect mode; true when a box is
  // reachable. The default is BuildLink.
  using Connector = std::function<bool(BoxLink& link, const CommandState& state)>;

  // ctx must outlive the step.
  explicit DetectLinkStep(OpsContext& ctx, Connector connect = {});
  DetectLinkStep(const DetectLinkStep&) = delete;
  DetectLinkStep& operator=(const DetectLinkStep&) = delete;

  // One cycle's link step. False when the connect mode is unknown, the page
  // is not ready, a discovery was served, or no box is reachable; otherwise
  // true, unless identification ran and "GetHMIType\r" or "GetRmtSN\r\n"
  // failed.
  bool ConnectAndDetect(CommandState& state) override;
  // Closes the USB device record and any TCP connection.
  void Close() override;

 private:
  void CountFailure(CommandState& state);
  bool Identify(CommandState& state);

  OpsContext& ctx_;
  Connector connect_;
};

}  // namespace orbo
