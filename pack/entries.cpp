// The packing state: the two sorted entry lists, the entry count, the view counters and the
// length the archive will have.
//
// Entries are appended in the order they come, in constant time, and each list is put in key
// order once collecting is over (sort_entry_lists): a stable merge sort, so entries with equal
// keys keep the order in which they came -- the order that inserting each entry in front of the
// first greater one would give, without walking the list for every file. A list that came in
// order is not touched.
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
int replace_archive = 0;

namespace {

// The last entry of each list, and whether the list is still in key order.
vehicle_entry *vehicle_tail = nullptr;
scenery_entry *scenery_tail = nullptr;
int vehicle_in_order = 1;
int scenery_in_order = 1;

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
  replace_archive = 0;
  vehicle_list = nullptr;
  scenery_list = nullptr;
  vehicle_tail = nullptr;
  scenery_tail = nullptr;
  vehicle_in_order = 1;
  scenery_in_order = 1;
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
  scenery_tail = nullptr;
  vehicle_in_order = 1;
  scenery_in_order = 1;
}

namespace {

// Appends an entry behind the last one and notes when it breaks the key order.
template <typename Entry>
void append_entry(Entry **head, Entry **tail, int *in_order, Entry *entry,
                  int (*greater)(const Entry *, const Entry *)) {
  if (entry == nullptr) return;
  ++entry_count;
  entry->next = nullptr;
  if (*head == nullptr) {
    *head = entry;
  } else {
    if (greater(*tail, entry)) *in_order = 0;
    (*tail)->next = entry;
  }
  *tail = entry;
}

// Stable merge sort of a linked list, bottom up: runs of 1, 2, 4, ... entries are merged in
// pairs, the left run winning ties. O(N log N) time, no memory beyond the links.
template <typename Entry>
Entry *sort_list(Entry *list, int (*greater)(const Entry *, const Entry *)) {
  for (size_t width = 1; list != nullptr; width *= 2) {
    Entry *left = list;
    Entry *last = nullptr;
    size_t merges = 0;
    list = nullptr;
    while (left != nullptr) {
      ++merges;
      Entry *right = left;
      size_t left_size = 0;
      while (left_size < width && right != nullptr) {
        ++left_size;
        right = right->next;
      }
      size_t right_size = width;
      while (left_size > 0 || (right_size > 0 && right != nullptr)) {
        Entry *taken;
        if (left_size > 0 && (right_size == 0 || right == nullptr || !greater(left, right))) {
          taken = left;
          left = left->next;
          --left_size;
        } else {
          taken = right;
          right = right->next;
          --right_size;
        }
        if (last != nullptr) last->next = taken; else list = taken;
        last = taken;
      }
      left = right;
    }
    last->next = nullptr;
    if (merges <= 1) break;
  }
  return list;
}

// The last entry of a list.
template <typename Entry>
Entry *last_of(Entry *list) {
  while (list != nullptr && list->next != nullptr) list = list->next;
  return list;
}

}  // namespace

void insert_vehicle_entry(vehicle_entry *entry) {
  append_entry(&vehicle_list, &vehicle_tail, &vehicle_in_order, entry, vehicle_greater);
}

void insert_scenery_entry(scenery_entry *entry) {
  append_entry(&scenery_list, &scenery_tail, &scenery_in_order, entry, scenery_greater);
}

void sort_entry_lists(void) {
  if (!vehicle_in_order) {
    vehicle_list = sort_list(vehicle_list, vehicle_greater);
    vehicle_tail = last_of(vehicle_list);
    vehicle_in_order = 1;
  }
  if (!scenery_in_order) {
    scenery_list = sort_list(scenery_list, scenery_greater);
    scenery_tail = last_of(scenery_list);
    scenery_in_order = 1;
  }
}
