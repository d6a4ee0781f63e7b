// Queued operation 1: sets the box's time zone to the page's choice, then
// its clock from the PC's clock.
#pragma once

#include <string>

#include "bridge/command_state.h"
#include "ops/context/ops_context.h"
#include "ops/context/wall_clock.h"

namespace orbo {

// The time text of "SetTime %s\r": "utc/YYYY-MM-DD hh:mm:ss" or, for local
// time, the same without the prefix.
std::string BoxTimeText(const CivilTime& time, bool utc);

// Sends "SetTZ <zone>\r" (state.timeZone in the code page) and, judged by
// the reply alone, the PC's UTC or local time with "SetTime %s\r". When the
// box accepted the time after a zone change, asks whether to reboot it and
// on Yes sends "reset\r". True when the box accepted the time.
bool SetTimeAndZone(OpsContext& ctx, const CommandState& state);

}  // namespace orbo
