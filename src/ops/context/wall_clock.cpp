#include "ops/context/wall_clock.h"

#include <ctime>

namespace orbo {
namespace {

CivilTime FromTm(const std::tm& tm) {
  CivilTime t;
  t.year = tm.tm_year + 1900;
  t.month = tm.tm_mon + 1;
  t.day = tm.tm_mday;
  t.hour = tm.tm_hour;
  t.minute = tm.tm_min;
  t.second = tm.tm_sec;
  return t;
}

class SystemClock : public WallClock {
 public:
  CivilTime NowUtc() const override {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    return FromTm(tm);
  }
  CivilTime NowLocal() const override {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return FromTm(tm);
  }
};

}  // namespace

const WallClock& SystemWallClock() {
  static const SystemClock clock;
  return clock;
}

}  // namespace orbo
