// POSIX side of the platform layer (stub, being written).
#include "platform/platform.h"
const char path_separator = '/';
int is_name_stop(char c) { return c == '/'; }
plat_file plat_open_read(const char *) { return PLAT_NO_FILE; }
plat_file plat_create_new(const char *) { return PLAT_NO_FILE; }
int plat_read(plat_file, void *, size_t, size_t *) { return 1; }
int plat_write(plat_file, const void *, size_t) { return 1; }
int plat_set_file_time(plat_file, uint16_t, uint16_t) { return 1; }
int plat_close(plat_file) { return 1; }
int plat_replace_file(const char *, const char *) { return 1; }
int plat_remove_file(const char *) { return 1; }
int plat_is_read_only(const char *) { return 0; }
plat_file plat_open_existing_for_write(const char *) { return PLAT_NO_FILE; }
int plat_find_first(const char *, plat_search *search, plat_found_file *) { *search = nullptr; return 1; }
int plat_find_next(plat_search, plat_found_file *) { return 1; }
void plat_find_close(plat_search) {}
int plat_primary_language(void) { return 0x09; }
int plat_convert_text(const char *, int, char *out, size_t) { out[0] = 0; return 0; }
void plat_show_notice(const char *, const char *) {}
void *plat_allocate_block(size_t) { return nullptr; }
void plat_release_block(void *) {}
