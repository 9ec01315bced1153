// The Windows platform functions that tests can make fail, one layer above the system calls of
// win32.cpp: each passes straight on to the system_ function of the same name in the product; in
// the test build with fault injection the Nth call of a kind fails as planned (platform/faults.h),
// and open handles are counted, so that tests can prove that no file is left open.
#include "platform/faults.h"
#include "platform/platform.h"
#include "platform/system.h"

static plat_file counted(plat_file file) {
  if (file != PLAT_NO_FILE) fault_handle_opened();
  return file;
}

plat_file plat_open_read(const char *path) {
  if (fault_now(FAULT_OPEN)) return PLAT_NO_FILE;
  return counted(system_open_read(path));
}

plat_file plat_open_listed(const char *path) {
  if (fault_now(FAULT_OPEN)) return PLAT_NO_FILE;
  return counted(system_open_listed(path));
}

plat_file plat_create_new(const char *path) {
  if (fault_now(FAULT_CREATE)) return PLAT_NO_FILE;
  return counted(system_create_new(path));
}

int plat_create_unnamed(const char *folder, plat_file *file) {
  *file = PLAT_NO_FILE;
  if (fault_now(FAULT_CREATE_UNNAMED)) return PLAT_UNNAMED_FAILED;
  int rc = system_create_unnamed(folder, file);
  if (rc == PLAT_UNNAMED_MADE) counted(*file);
  return rc;
}

int plat_read(plat_file file, void *buffer, size_t want, size_t *got) {
  if (fault_now(FAULT_READ)) {
    *got = 0;
    return 1;
  }
  return system_read(file, buffer, want, got);
}

int plat_read_some(plat_file file, void *buffer, size_t want, size_t *got) {
  if (fault_now(FAULT_READ)) {
    *got = 0;
    return 1;
  }
  return system_read_some(file, buffer, want, got);
}

int plat_write(plat_file file, const void *buffer, size_t length) {
  if (fault_now(FAULT_WRITE)) return 1;
  return system_write(file, buffer, length);
}

int plat_copy_between(plat_file from, plat_file to, size_t count, size_t *copied) {
  *copied = 0;
  if (fault_now(FAULT_COPY)) return PLAT_COPY_WRITE_FAILED;
  return system_copy_between(from, to, count, copied);
}

int plat_set_file_time(plat_file file, uint16_t dos_date, uint16_t dos_time) {
  if (fault_now(FAULT_SET_TIME)) return 1;
  return system_set_file_time(file, dos_date, dos_time);
}

// A failed close has still released the handle.
int plat_close(plat_file file) {
  if (file == PLAT_NO_FILE) return 1;
  int failed = system_close(file);
  fault_handle_closed();
  if (fault_now(FAULT_CLOSE)) return 1;
  return failed;
}

int plat_replace_file(const char *from, const char *to) {
  if (fault_now(FAULT_RENAME)) return 1;
  return system_replace_file(from, to);
}

int plat_move_file_new(const char *from, const char *to) {
  if (fault_now(FAULT_RENAME_NEW)) return PLAT_NAMING_FAILED;
  return system_move_file_new(from, to);
}

int plat_link_file(plat_file file, const char *path) {
  if (fault_now(FAULT_LINK)) return PLAT_NAMING_FAILED;
  return system_link_file(file, path);
}

int plat_flush(plat_file file) {
  if (fault_now(FAULT_FLUSH)) return 1;
  return system_flush(file);
}

int plat_find_first(const char *pattern, plat_search *search, plat_found_file *found) {
  if (fault_now(FAULT_SEARCH)) {
    *search = nullptr;
    return PLAT_FOUND_NONE;
  }
  return system_find_first(pattern, search, found);
}

void *plat_allocate_block(size_t size) {
  if (fault_now(FAULT_ALLOCATE)) return nullptr;
  return system_allocate_block(size);
}

void *plat_allocate_heap(size_t size) {
  if (fault_now(FAULT_ALLOCATE)) return nullptr;
  return system_allocate_heap(size);
}

#ifdef VORAX_FAULT_INJECTION

// Every kind fails in one way here: the layer above the system calls tells no errors apart.
int fault_ways(fault_kind, const fault_way **ways) {
  static const fault_way plain[] = {{FAULT_FAILS, 0, FAULT_PLAIN}};
  *ways = plain;
  return 1;
}

// Windows has no files without a name, and moves that never replace are its own: one variant.
int fault_variant_count(void) { return 1; }

const char *fault_use_variant(int) { return ""; }

#endif
