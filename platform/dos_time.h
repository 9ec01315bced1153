// DOS date and time: the 16-bit date (bits 9-15 year - 1980, 5-8 month, 0-4 day) and the 16-bit
// time (bits 11-15 hours, 5-10 minutes, 0-4 seconds / 2) in which archives keep last-write times.
// Portable arithmetic only; the system calls that read and set file times are in posix.cpp and
// win32.cpp.
#pragma once

#include <cstdint>

// The broken-down local time that DOS form holds.
struct dos_fields {
  int year;    // full year, 1980 to 2107
  int month;   // 1 to 12
  int day;     // 1 to 31
  int hour;    // 0 to 23
  int minute;  // 0 to 59
  int second;  // 0 to 59 (stored halved, so odd seconds round down)
};

// Packs a local time into DOS date and time. Times before 1980-01-01 00:00:00 become that
// moment; times after 2107 become 2107-12-31 23:59:58.
void dos_from_fields(const dos_fields *fields, uint16_t *dos_date, uint16_t *dos_time);

// The seconds since 1970-01-01 00:00:00 that the fields name when they are read as UTC, by the
// calendar alone. A day beyond its month's end runs on into the next month (February 31 is
// March 2 or 3), as mktime reads it.
int64_t dos_fields_as_utc(const dos_fields *fields);

// Unpacks a DOS date and time. Returns 0, or 1 when a field is one that Windows refuses (month
// outside 1 to 12, day outside 1 to 31, hours 24 or more, minutes 60 or more, seconds/2 30 or
// more); the fields are filled either way.
int dos_to_fields(uint16_t dos_date, uint16_t dos_time, dos_fields *fields);
