#include "pack/pack.h"
unsigned pack_vehicles(const char *, const char *, int, char *, int, int, int) { return 5; }
int add_vehicle_file(const char *, const char *, uint64_t, int, int, uint16_t, uint16_t) { return 3; }
int parse_vehicle_name(const char *, int, int32_t *, int32_t *) { return 3; }
