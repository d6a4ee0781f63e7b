#include "ops/time_zone.h"

#include <cstdio>

#include "base/codepage.h"
#include "ops/context/log_lines.h"

namespace orbo {
namespace {

struct ZoneOutcome {
  bool utc;
  const char* key;
  bool changed;
};

// The zone reply decides which clock is sent and what is shown.
ZoneOutcome JudgeZoneReply(const ReplyBuffer& reply) {
  if (reply.StartsWith("OK\r")) return {true, "update_tz_success", true};
  if (reply.StartsWith("END\r")) return {true, "update_tz_same", false};
  if (reply.StartsWith("setTZ fail")) return {true, "update_tz_fail", false};
  if (reply.StartsWith("ERROR\r")) return {false, "update_tz_err_update_firm", false};
  return {false, "update_tz_fail", false};
}

// The zone as the box gets it: in the code page, and cut at the first
// control character so that it cannot end the command early.
std::string ZoneArgument(const std::string& zone) {
  std::string bytes;
  Codepage::FromUtf8(zone, &bytes);
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (static_cast<unsigned char>(bytes[i]) < 0x20) {
      bytes.resize(i);
      break;
    }
  }
  return bytes;
}

}  // namespace

std::string BoxTimeText(const CivilTime& t, bool utc) {
  char text[96];
  std::snprintf(text, sizeof(text), "%s%04d-%02d-%02d %02d:%02d:%02d", utc ? "utc/" : "", t.year,
                t.month, t.day, t.hour, t.minute, t.second);
  return text;
}

bool SetTimeAndZone(OpsContext& ctx, const CommandState& state) {
  ctx.scripts.ShowLog(kDashLine);
  ctx.scripts.ShowKey("updating_time");

  ReplyBuffer zoneReply;
  ctx.link.SendCommand("SetTZ " + ZoneArgument(state.timeZone) + "\r", &zoneReply);
  const ZoneOutcome zone = JudgeZoneReply(zoneReply);
  ctx.scripts.ShowKey(zone.key);

  const WallClock& clock = ctx.clock ? *ctx.clock : SystemWallClock();
  const std::string timeText = BoxTimeText(zone.utc ? clock.NowUtc() : clock.NowLocal(), zone.utc);
  ReplyBuffer timeReply;
  ctx.link.SendCommand("SetTime " + timeText + "\r", &timeReply);
  if (!timeReply.StartsWith("OK\r")) {
    ctx.scripts.ShowKey("update_time_failed");
    return false;
  }
  ctx.scripts.ShowKey("update_time_success");
  if (zone.changed && ctx.AskKey("is_update_tz")) ctx.link.SendCommand("reset\r", nullptr);
  return true;
}

}  // namespace orbo
