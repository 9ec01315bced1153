// Memory blocks of the legacy program: from the standard heap.
#include <cstdlib>

#include "platform/faults.h"

#include "util/stream.h"

void *allocate_block(int32_t size) {
  if (size < 1) return nullptr;
  if (fault_now(FAULT_ALLOCATE)) return nullptr;
  return std::malloc((size_t)size);
}

void release_block(void *block) { std::free(block); }
