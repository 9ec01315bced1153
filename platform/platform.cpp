// The platform functions that are made of other platform functions, the same on every system.
#include "platform/platform.h"

// The state alone of what plat_look_up_file finds (not a system call of its own).
int plat_look_up_name(const char *path) {
  plat_name_facts facts;
  return plat_look_up_file(path, &facts);
}

int plat_same_file(const plat_file_id *a, const plat_file_id *b) {
  if (a == nullptr || b == nullptr || !a->known || !b->known) return 0;
  return a->volume == b->volume && a->index == b->index ? 1 : 0;
}

int plat_take_attributes(plat_file file, const char *path) {
  if (file == PLAT_NO_FILE) return 0;
  plat_name_facts facts;
  plat_look_up_file(path, &facts);
  return plat_lend_attributes(file, &facts);
}
