// Local time: the moment that a local date and time names in the process's time zone, worked out
// the same way on every system over one reading of the zone that each system gives.
#pragma once

#include <cstdint>
#include <ctime>

#include "platform/dos_time.h"

// What the zone says at a moment: its offset from UTC in seconds east (the local time less the
// moment, both read as seconds) and whether that local time is summer time.
struct zone_reading {
  int64_t offset;
  int summer;
};

// Reads the zone at a moment (seconds since 1970-01-01 00:00:00 UTC) by the rules of that
// moment's own date. Each system defines it (posix.cpp, win32.cpp). 0, or 1 when the moment has
// no local time or the zone cannot be read.
int read_zone(int64_t moment, zone_reading *reading);

// The moment that a local date and time names, as mktime with tm_isdst = -1 gives it when it is
// asked for the start of that day, then its end, then the time; but without a system call per
// time on POSIX (mktime looks at the zone file again on every call when TZ is unset). A time in
// the hour that repeats when the clocks go back names the moment with the offset that ends that
// day (mostly the later one); a time in the hour that the clocks skip is read so that it lands
// in summer time. Returns 0, or 1 when the time has no moment.
int local_moment(const dos_fields *fields, time_t *moment);
