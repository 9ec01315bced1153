#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "pack/entries.h"
#include "util/stream.h"

namespace {

template <class T>
std::vector<T *> order_of(T *head) {
  std::vector<T *> out;
  for (T *e = head; e != nullptr; e = e->next) out.push_back(e);
  return out;
}

vehicle_entry make_vehicle(int32_t first, int32_t second) {
  return vehicle_entry{nullptr, first, second, 1, 0, {}};
}

scenery_entry make_scenery(int32_t number, int32_t sub, int32_t part, int32_t letter,
                           uint32_t kind_letter = 0) {
  return scenery_entry{nullptr, number, sub, kind_letter, part, letter, 1, 0, {}};
}

// The lists point into each test's own entries: leave them empty for whatever runs next.
struct clean_state {
  clean_state() { reset_packing_state(); }
  ~clean_state() { reset_packing_state(); }
};

bool vehicle_less(const vehicle_entry *a, const vehicle_entry *b) {
  if (a->first_number != b->first_number) return a->first_number < b->first_number;
  return a->second_number < b->second_number;
}

}  // namespace

TEST(Entries, VehicleOrderIsSortedAndStable) {
  clean_state guard;
  // 00002-01, 00001-05, 00001-02 in every order stand as 1/2, 1/5, 2/1.
  int order[3] = {0, 1, 2};
  do {
    vehicle_entry e[3] = {make_vehicle(2, 1), make_vehicle(1, 5), make_vehicle(1, 2)};
    reset_packing_state();
    for (int i : order) insert_vehicle_entry(&e[i]);
    EXPECT_EQ(order_of(vehicle_list), (std::vector<vehicle_entry *>{&e[2], &e[1], &e[0]}));
    EXPECT_EQ(entry_count, 3);
  } while (std::next_permutation(order, order + 3));

  // Equal keys stay in the order they came, also behind an entry that went to the front.
  vehicle_entry d[5] = {make_vehicle(1, 2), make_vehicle(3, 0), make_vehicle(1, 2),
                        make_vehicle(-4, 9), make_vehicle(1, 2)};
  reset_packing_state();
  for (vehicle_entry &e : d) insert_vehicle_entry(&e);
  EXPECT_EQ(order_of(vehicle_list), (std::vector<vehicle_entry *>{&d[3], &d[0], &d[2], &d[4], &d[1]}));
  EXPECT_EQ(scenery_list, nullptr);
}

TEST(Entries, SceneryOrderIgnoresKindLetter) {
  clean_state guard;
  // t5-1, s5-1 and s5-0: 5/0 first, the two 5/1 in the order they came.
  scenery_entry a[3] = {make_scenery(5, 1, 0, 0, 0x20000), make_scenery(5, 1, 0, 0, 0x10000),
                        make_scenery(5, 0, 0, 0, 0x10000)};
  reset_packing_state();
  for (scenery_entry &e : a) insert_scenery_entry(&e);
  EXPECT_EQ(order_of(scenery_list), (std::vector<scenery_entry *>{&a[2], &a[0], &a[1]}));

  // s12-3a then s12-3b (only the kind letter's suffix differs), and s12-0 then m0-12-0.
  scenery_entry b[4] = {make_scenery(12, 3, 0, 0, 0x10002), make_scenery(12, 3, 0, 0, 0x10001),
                        make_scenery(12, 0, 0, 0, 0x10000), make_scenery(12, 0, 0, 0, 0)};
  reset_packing_state();
  for (scenery_entry &e : b) insert_scenery_entry(&e);
  EXPECT_EQ(order_of(scenery_list), (std::vector<scenery_entry *>{&b[2], &b[3], &b[0], &b[1]}));

  // Every field of the key counts, in its order, as signed numbers.
  scenery_entry c[5] = {make_scenery(1, 0, 0, 2), make_scenery(1, 0, 0, 1),
                        make_scenery(1, 0, 1, 0), make_scenery(1, -1, 5, 5),
                        make_scenery(0, 9, 9, 9)};
  reset_packing_state();
  for (scenery_entry &e : c) insert_scenery_entry(&e);
  EXPECT_EQ(order_of(scenery_list), (std::vector<scenery_entry *>{&c[4], &c[3], &c[1], &c[0], &c[2]}));
  EXPECT_EQ(entry_count, 5);
}

TEST(Entries, InOrderAppendGivesTheSameOrderAsTheWalk) {
  clean_state guard;
  // Mostly ascending runs with duplicates and occasional steps back, as directory searches
  // deliver them; the expected order is a stable sort of the insertion sequence.
  std::vector<vehicle_entry> pool;
  uint32_t seed = 12345;
  int32_t key = 0;
  for (int i = 0; i < 3000; ++i) {
    seed = seed * 1103515245u + 12345u;
    int step = (int)((seed >> 16) % 10);
    if (step == 0) key -= (int32_t)((seed >> 8) % 50);  // a step back
    else if (step > 4) key += 1;                        // else a duplicate
    pool.push_back(make_vehicle(key / 17, key % 17));
  }
  reset_packing_state();
  std::vector<vehicle_entry *> expected;
  for (vehicle_entry &e : pool) {
    insert_vehicle_entry(&e);
    expected.push_back(&e);
  }
  std::stable_sort(expected.begin(), expected.end(), vehicle_less);
  EXPECT_EQ(order_of(vehicle_list), expected);
  EXPECT_EQ(entry_count, 3000);
}

TEST(Entries, ResetAndRelease) {
  clean_state guard;
  for (int i = 0; i < 3; ++i) {
    auto *e = static_cast<vehicle_entry *>(allocate_block((int32_t)sizeof(vehicle_entry)));
    auto *f = static_cast<scenery_entry *>(allocate_block((int32_t)sizeof(scenery_entry)));
    ASSERT_TRUE(e != nullptr && f != nullptr);
    *e = make_vehicle(3 - i, 0);
    *f = make_scenery(i, 0, 0, 0);
    insert_vehicle_entry(e);
    insert_scenery_entry(f);
  }
  release_entry_lists();
  EXPECT_TRUE(vehicle_list == nullptr && scenery_list == nullptr);

  vehicle_entry v = make_vehicle(1, 1);
  insert_vehicle_entry(&v);
  front2_count = side2_count = door2_count = door_r_count = door_l_count = 7;
  archive_length = 99;
  reset_packing_state();
  EXPECT_TRUE(vehicle_list == nullptr && scenery_list == nullptr);
  EXPECT_EQ(entry_count + front2_count + side2_count + door2_count + door_r_count + door_l_count,
            0);
  EXPECT_EQ(archive_length, 0u);
  vehicle_entry after = make_vehicle(2, 0);
  insert_vehicle_entry(&after);  // the old last entry is forgotten too
  EXPECT_EQ(order_of(vehicle_list), (std::vector<vehicle_entry *>{&after}));
}
