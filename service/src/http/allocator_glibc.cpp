// glibc: a fixed threshold for mappings of their own, and every arena trimmed.
#include <malloc.h>

#include "allocator.hpp"

namespace tavirel::service::http {

void KeepLargeBlocksApart() { ::mallopt(M_MMAP_THRESHOLD, 128 * 1024); }

void ReleaseFreeMemory() { ::malloc_trim(0); }

}  // namespace tavirel::service::http
