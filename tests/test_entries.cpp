#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "pack/entries.h"
#include "tests/test_support.h"

namespace {

vehicle_entry make_vehicle(int32_t key, uint32_t) {
  return vehicle_entry{nullptr, key / 17 - 3, key % 17, 1, 0, {}};
}
auto key_of(const vehicle_entry *e) { return std::make_tuple(e->first_number, e->second_number); }

// Negative sub numbers on purpose: every key field is compared signed. The kind letter varies
// but is no part of the order.
scenery_entry make_scenery(int32_t key, uint32_t noise) {
  return scenery_entry{nullptr, key / 24, (key / 6) % 4 - 2, noise % 5 * 0x10000 + noise % 3,
                       (key / 2) % 3, key % 2, 1, 0, {}};
}
auto key_of(const scenery_entry *e) {
  return std::make_tuple(e->number, e->sub_number, e->part, e->part_letter);
}

// Inserts 3000 entries in the order a directory search tends to deliver them (mostly ascending
// runs, duplicates, steps back of any size) and expects a stable sort of the insertion order.
template <class T>
void check_sorted_and_stable(T *(&head), void (*insert)(T *), T (*make)(int32_t, uint32_t)) {
  std::vector<T> pool;
  uint32_t seed = 12345;
  int32_t key = 0;
  for (int i = 0; i < 3000; ++i) {
    seed = seed * 1103515245u + 12345u;
    int step = (int)((seed >> 16) % 10);
    if (step == 0) key = std::max(0, key - (int32_t)((seed >> 8) % 60));  // a step back
    else if (step > 4) key += 1;                                          // else a duplicate
    pool.push_back(make(key, seed >> 20));
  }
  reset_packing_state();
  std::vector<T *> expected;
  for (T &e : pool) {
    insert(&e);
    expected.push_back(&e);
  }
  sort_entry_lists();
  std::stable_sort(expected.begin(), expected.end(),
                   [](const T *a, const T *b) { return key_of(a) < key_of(b); });
  EXPECT_TRUE(order_of(head) == expected);
  EXPECT_EQ(entry_count, 3000);
  reset_packing_state();  // the lists point into this function's pool
}

}  // namespace

TEST(Entries, ListsAreSortedAndStable) {
  check_sorted_and_stable(vehicle_list, insert_vehicle_entry, make_vehicle);
  check_sorted_and_stable(scenery_list, insert_scenery_entry, make_scenery);
}
