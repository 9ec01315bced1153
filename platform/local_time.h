// Local time on POSIX: the moment that a local date and time names in the process's time zone.
#pragma once

#include <ctime>

#include "platform/dos_time.h"

// The moment that a local date and time names, as mktime with tm_isdst = -1 gives it when it is
// asked for the start of that day, then its end, then the time; but without a system call: the
// zone is read through localtime_r, which reads it once per process (mktime looks at the zone
// file again on every call when TZ is unset). A time in the hour that repeats when the clocks go
// back names the moment with the offset that ends that day (mostly the later one); a time in
// the hour that the clocks skip is read so that it lands in summer time. Returns 0, or 1 when the
// time has no moment.
int local_moment(const dos_fields *fields, time_t *moment);
