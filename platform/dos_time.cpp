// DOS date and time packing and unpacking.
#include "platform/dos_time.h"

namespace {

const int DOS_FIRST_YEAR = 1980;
const int DOS_LAST_YEAR = 2107;

uint16_t pack_date(int year, int month, int day) {
  return (uint16_t)(((year - DOS_FIRST_YEAR) << 9) | (month << 5) | day);
}

uint16_t pack_time(int hour, int minute, int second) {
  return (uint16_t)((hour << 11) | (minute << 5) | (second / 2));
}

// Days from 1970-01-01 to the first of a month of the proleptic Gregorian calendar (years from
// March on, so that the leap day comes last).
int64_t days_to_month_start(int year, int month) {
  int64_t y = month <= 2 ? year - 1 : year;
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t year_of_era = y - era * 400;
  int64_t day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5;
  int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

}  // namespace

int64_t dos_fields_as_utc(const dos_fields *fields) {
  int64_t days = days_to_month_start(fields->year, fields->month) + fields->day - 1;
  return days * 86400 + fields->hour * 3600 + fields->minute * 60 + fields->second;
}

void dos_from_fields(const dos_fields *fields, uint16_t *dos_date, uint16_t *dos_time) {
  if (fields->year < DOS_FIRST_YEAR) {
    *dos_date = pack_date(DOS_FIRST_YEAR, 1, 1);
    *dos_time = pack_time(0, 0, 0);
    return;
  }
  if (fields->year > DOS_LAST_YEAR) {
    *dos_date = pack_date(DOS_LAST_YEAR, 12, 31);
    *dos_time = pack_time(23, 59, 58);
    return;
  }
  // Each field is kept inside its bit range; a leap second (60) is held as 59 so that it does
  // not become a value that reads back as invalid.
  int second = fields->second;
  if (second > 59) second = 59;
  if (second < 0) second = 0;
  *dos_date = pack_date(fields->year, fields->month & 0x0F, fields->day & 0x1F);
  *dos_time = pack_time(fields->hour & 0x1F, fields->minute & 0x3F, second);
}

int dos_to_fields(uint16_t dos_date, uint16_t dos_time, dos_fields *fields) {
  fields->year = DOS_FIRST_YEAR + (dos_date >> 9);
  fields->month = (dos_date >> 5) & 0x0F;
  fields->day = dos_date & 0x1F;
  fields->hour = dos_time >> 11;
  fields->minute = (dos_time >> 5) & 0x3F;
  fields->second = (dos_time & 0x1F) * 2;
  if (fields->month < 1 || fields->month > 12) return 1;
  if (fields->day < 1) return 1;
  if (fields->hour >= 24) return 1;
  if (fields->minute >= 60) return 1;
  if (fields->second >= 60) return 1;
  return 0;
}
