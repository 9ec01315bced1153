// Memory blocks for the entry lists, from the system's fixed memory (GlobalAlloc on Windows).
#include "platform/platform.h"
#include "util/stream.h"

void *allocate_block(int32_t size) {
  if (size < 1) return nullptr;
  return plat_allocate_block((size_t)size);
}

void release_block(void *block) {
  if (block != nullptr) plat_release_block(block);
}
