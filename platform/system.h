// Windows: the system calls behind the platform functions that tests can make fail
// (win32_hooks.cpp wraps each of them). Each is defined in win32.cpp and means what the platform
// function of the same name after "plat_" means. (POSIX makes its calls through posix_calls.h.)
#pragma once

#include "platform/platform.h"

plat_file system_open_read(const char *path);
plat_file system_open_listed(const char *path);
plat_file system_create_new(const char *path);
int system_read(plat_file file, void *buffer, size_t want, size_t *got);
int system_read_some(plat_file file, void *buffer, size_t want, size_t *got);
int system_write(plat_file file, const void *buffer, size_t length);
int system_copy_between(plat_file from, plat_file to, size_t count, size_t *copied);
int system_set_file_time(plat_file file, uint16_t dos_date, uint16_t dos_time);
int system_close(plat_file file);
int system_replace_file(const char *from, const char *to);
int system_move_file_new(const char *from, const char *to);
int system_create_unnamed(const char *folder, plat_file *file);
int system_link_file(plat_file file, const char *path);
int system_flush(plat_file file);
int system_find_first(const char *pattern, plat_search *search, plat_found_file *found);
void *system_allocate_block(size_t size);
void *system_allocate_heap(size_t size);
