// The packing state: the two sorted entry lists, the entry count, the view counters and the
// length the archive will have.
//
// Each list is kept sorted by insertion: a new entry goes in front of the first entry whose key
// is greater, so entries with equal keys keep the order in which they came. Directory searches
// usually hand files out in key order, so each list also remembers its last entry: when the new
// key is not below the last one, the walk would end there anyway and the entry is appended at
// once.
#include "pack/entries.h"

#include "util/stream.h"

vehicle_entry *vehicle_list = nullptr;
scenery_entry *scenery_list = nullptr;

int32_t entry_count = 0;
int32_t front2_count = 0;
int32_t side2_count = 0;
int32_t door2_count = 0;
int32_t door_r_count = 0;
int32_t door_l_count = 0;

uint64_t archive_length = 0;

namespace {

// The last entry of each list, valid only while the list still starts with the head it was
// recorded for (so a list that other code has emptied or replaced is never appended to blindly).
vehicle_entry *vehicle_tail = nullptr;
vehicle_entry *vehicle_tail_head = nullptr;
scenery_entry *scenery_tail = nullptr;
scenery_entry *scenery_tail_head = nullptr;

// 1 when entry a sorts behind entry b.
int vehicle_greater(const vehicle_entry *a, const vehicle_entry *b) {
  if (a->first_number != b->first_number) return a->first_number > b->first_number;
  return a->second_number > b->second_number;
}

int scenery_greater(const scenery_entry *a, const scenery_entry *b) {
  if (a->number != b->number) return a->number > b->number;
  if (a->sub_number != b->sub_number) return a->sub_number > b->sub_number;
  if (a->part != b->part) return a->part > b->part;
  return a->part_letter > b->part_letter;
}

}  // namespace

void reset_packing_state(void) {
  vehicle_list = nullptr;
  scenery_list = nullptr;
  vehicle_tail = nullptr;
  vehicle_tail_head = nullptr;
  scenery_tail = nullptr;
  scenery_tail_head = nullptr;
  entry_count = 0;
  front2_count = 0;
  side2_count = 0;
  door2_count = 0;
  door_r_count = 0;
  door_l_count = 0;
  archive_length = 0;
}

void release_entry_lists(void) {
  vehicle_entry *v = vehicle_list;
  while (v != nullptr) {
    vehicle_entry *next = v->next;
    release_block(v);
    v = next;
  }
  scenery_entry *s = scenery_list;
  while (s != nullptr) {
    scenery_entry *next = s->next;
    release_block(s);
    s = next;
  }
  vehicle_list = nullptr;
  scenery_list = nullptr;
  vehicle_tail = nullptr;
  vehicle_tail_head = nullptr;
  scenery_tail = nullptr;
  scenery_tail_head = nullptr;
}

void insert_vehicle_entry(vehicle_entry *entry) {
  if (entry == nullptr) return;
  ++entry_count;
  entry->next = nullptr;

  int tail_valid = vehicle_list != nullptr && vehicle_tail != nullptr &&
                   vehicle_tail_head == vehicle_list && vehicle_tail->next == nullptr;
  if (tail_valid && !vehicle_greater(vehicle_tail, entry)) {
    vehicle_tail->next = entry;
    vehicle_tail = entry;
    return;
  }

  vehicle_entry **link = &vehicle_list;
  while (*link != nullptr && !vehicle_greater(*link, entry)) link = &(*link)->next;
  entry->next = *link;
  *link = entry;
  if (entry->next == nullptr) vehicle_tail = entry;
  else if (!tail_valid) vehicle_tail = nullptr;  // found again at the next append at the end
  vehicle_tail_head = vehicle_list;
}

void insert_scenery_entry(scenery_entry *entry) {
  if (entry == nullptr) return;
  ++entry_count;
  entry->next = nullptr;

  int tail_valid = scenery_list != nullptr && scenery_tail != nullptr &&
                   scenery_tail_head == scenery_list && scenery_tail->next == nullptr;
  if (tail_valid && !scenery_greater(scenery_tail, entry)) {
    scenery_tail->next = entry;
    scenery_tail = entry;
    return;
  }

  scenery_entry **link = &scenery_list;
  while (*link != nullptr && !scenery_greater(*link, entry)) link = &(*link)->next;
  entry->next = *link;
  *link = entry;
  if (entry->next == nullptr) scenery_tail = entry;
  else if (!tail_valid) scenery_tail = nullptr;
  scenery_tail_head = scenery_list;
}
