// Memory blocks of the legacy program: from the standard heap.
#include <cstdlib>

#include "util/stream.h"

void *allocate_block(int32_t size) {
  if (size < 1) return nullptr;
  return std::malloc((size_t)size);
}

void release_block(void *block) { std::free(block); }
