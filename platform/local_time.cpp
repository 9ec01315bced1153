// The moment that a local date and time names, over the reading of the zone that each system
// gives (read_zone). The same algorithm on every system, so that both builds resolve the hour
// that repeats and the hour that is skipped alike.
#include "platform/local_time.h"

namespace {

const int64_t DAY = 86400;

// The moments that a local time (`wall`, the local time read as UTC) names. Near a change of the
// zone's offset the offsets a day before and a day after differ; each is tried. `count` is 1
// mostly, 2 in the hour that repeats when the clocks go back, 0 in the hour that they skip (then
// `moment` holds both readings, each with the offset of the other side of the change).
struct local_moments {
  int count;
  int64_t moment[2];
  zone_reading seen[2];  // what the zone says at each moment
};

int find_moments(int64_t wall, local_moments *found) {
  zone_reading before, after;
  if (read_zone(wall - DAY, &before) != 0 || read_zone(wall + DAY, &after) != 0) return 1;
  const int64_t offsets[2] = {before.offset, after.offset};
  const int tries = before.offset == after.offset ? 1 : 2;
  int fits = 0;
  for (int i = 0; i < tries; ++i) {
    found->moment[i] = wall - offsets[i];
    if (read_zone(found->moment[i], &found->seen[i]) != 0) return 1;
    fits += found->seen[i].offset == offsets[i];
  }
  if (fits == 1 && tries == 2 && found->seen[0].offset != offsets[0]) {
    found->moment[0] = found->moment[1];
    found->seen[0] = found->seen[1];
  }
  if (tries == 1 && fits == 0) {
    // The zone changed and changed back within those two days: the offset that the first try
    // met is tried too.
    const int64_t offset = found->seen[0].offset;
    zone_reading seen;
    if (read_zone(wall - offset, &seen) != 0) return 1;
    if (seen.offset == offset) {
      found->moment[0] = wall - offset;
      found->seen[0] = seen;
      fits = 1;
    }
  }
  found->count = fits;
  return 0;
}

// Picks the moment that mktime gives: in the repeated hour the one with the offset of `guess`
// (the offset mktime worked with last), else the later; in the skipped hour the reading that
// is summer time when only one is, else the one behind the change.
int64_t pick_moment(const local_moments *found, const zone_reading *guess) {
  if (found->count == 2) {
    for (int i = 0; i < 2; ++i) {
      if (guess != nullptr && found->seen[i].offset == guess->offset) return found->moment[i];
    }
    return found->moment[0] > found->moment[1] ? found->moment[0] : found->moment[1];
  }
  if (found->count == 0 && found->seen[1].summer && !found->seen[0].summer) {
    return found->moment[1];
  }
  return found->moment[0];
}

// The offset that the moment of a time of the same date has, from a time of that date: mktime
// was asked for the start of the day, then for its last two seconds, then for the time, and it
// starts from the offset it found last. 0, or 1 when the zone cannot be read.
int offset_of_time(const dos_fields *date, int hour, int minute, int second,
                   const zone_reading *guess, zone_reading *offset) {
  dos_fields f = *date;
  f.hour = hour;
  f.minute = minute;
  f.second = second;
  local_moments found;
  if (find_moments(dos_fields_as_utc(&f), &found) != 0) return 1;
  return read_zone(pick_moment(&found, guess), offset);
}

}  // namespace

int local_moment(const dos_fields *fields, time_t *moment) {
  local_moments found;
  if (find_moments(dos_fields_as_utc(fields), &found) != 0) return 1;
  zone_reading day_start, day_end;
  const zone_reading *guess = nullptr;
  if (found.count == 2) {
    // The hour that repeats: the offset that ends the day decides, as it did for mktime.
    if (offset_of_time(fields, 0, 0, 0, nullptr, &day_start) != 0 ||
        offset_of_time(fields, 23, 59, 58, &day_start, &day_end) != 0) {
      return 1;
    }
    guess = &day_end;
  }
  *moment = (time_t)pick_moment(&found, guess);
  return 0;
}

