#include "settings/time_zone_name.h"

#include <time.h>

#include <mutex>

#include "base/codepage.h"

namespace orbo {

std::string SystemTimeZoneName() {
  // tzset() and tzname are process-wide and unguarded by the C library.
  static std::mutex mutex;
  std::lock_guard<std::mutex> lock(mutex);
  tzset();
  const char* name = tzname[0];
  return name ? Codepage::ToUtf8Lossy(name) : std::string();
}

}  // namespace orbo
