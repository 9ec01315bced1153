#include "archive/extract.h"
unsigned extract_archive(const char *, const char *, int, int32_t *, int32_t *, int32_t *, int) { return 5; }
int build_scenery_name(int32_t, int32_t, uint32_t, const char *, int, char *, int32_t, int32_t) { return 2; }
int set_file_stamp(const char *, uint32_t) { return 1; }
