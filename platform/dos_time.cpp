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

}  // namespace

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
