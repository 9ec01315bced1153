#include "platform/dos_time.h"
void dos_from_fields(const dos_fields *, uint16_t *d, uint16_t *t) { *d = 0; *t = 0; }
int dos_to_fields(uint16_t, uint16_t, dos_fields *) { return 1; }
