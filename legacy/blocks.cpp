// Memory blocks of the legacy program: from the standard heap.
#include "platform/platform.h"
#include "util/stream.h"

void *allocate_block(int32_t size) {
  if (size < 1) return nullptr;
  return plat_allocate_heap((size_t)size);
}

void release_block(void *block) { plat_release_heap(block); }
