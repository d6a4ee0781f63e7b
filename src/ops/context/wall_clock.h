// The PC's clock as the time operation reads it: the current civil time in
// UTC and in the local zone. Tests pass a fixed clock.
#pragma once

namespace orbo {

struct CivilTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

class WallClock {
 public:
  virtual ~WallClock() = default;
  virtual CivilTime NowUtc() const = 0;
  virtual CivilTime NowLocal() const = 0;
};

// The system clock (time, gmtime_r, localtime_r). Process-wide, never null.
const WallClock& SystemWallClock();

}  // namespace orbo
