#include "pack/pack.h"
unsigned pack_scenery(const char *, const char *, int, char *, int, int, int) { return 5; }
int add_scenery_file(const char *, const char *, uint64_t, int, const char *, int, uint16_t, uint16_t) { return 3; }
int parse_scenery_name(const char *, int, int, scenery_keys *) { return 3; }
