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

namespace {

// Inserts an entry in front of the first entry that sorts behind it. `tail` is the list's last
// entry and `tail_head` the head it was recorded with.
template <typename Entry>
void insert_sorted(Entry **head, Entry **tail, Entry **tail_head, Entry *entry,
                   int (*greater)(const Entry *, const Entry *)) {
  if (entry == nullptr) return;
  ++entry_count;
  entry->next = nullptr;

  int tail_valid = *head != nullptr && *tail != nullptr && *tail_head == *head &&
                   (*tail)->next == nullptr;
  if (tail_valid && !greater(*tail, entry)) {
    (*tail)->next = entry;
    *tail = entry;
    return;
  }

  Entry **link = head;
  while (*link != nullptr && !greater(*link, entry)) link = &(*link)->next;
  entry->next = *link;
  *link = entry;
  if (entry->next == nullptr) *tail = entry;
  else if (!tail_valid) *tail = nullptr;  // found again at the next append at the end
  *tail_head = *head;
}

}  // namespace

void insert_vehicle_entry(vehicle_entry *entry) {
  insert_sorted(&vehicle_list, &vehicle_tail, &vehicle_tail_head, entry, vehicle_greater);
}

void insert_scenery_entry(scenery_entry *entry) {
  insert_sorted(&scenery_list, &scenery_tail, &scenery_tail_head, entry, scenery_greater);
}
