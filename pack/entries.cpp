#include "pack/entries.h"
vehicle_entry *vehicle_list = nullptr;
scenery_entry *scenery_list = nullptr;
int32_t entry_count, front2_count, side2_count, door2_count, door_r_count, door_l_count;
uint64_t archive_length;
void reset_packing_state(void) {}
void release_entry_lists(void) {}
void insert_vehicle_entry(vehicle_entry *) {}
void insert_scenery_entry(scenery_entry *) {}
