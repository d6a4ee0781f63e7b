// The page value nTimeZone: the standard-time name of the system time zone.
#pragma once

#include <string>

namespace orbo {

// The C library's name for standard time in the system zone after tzset():
// tzname[0], taken from TZ or /etc/localtime, for example "CET", "CST" or
// "UTC". Empty when the library has none. Safe to call from any thread.
std::string SystemTimeZoneName();

}  // namespace orbo
