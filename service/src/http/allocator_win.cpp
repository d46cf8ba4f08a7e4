// Windows: the heap gives large blocks (over 512 KiB) virtual memory of their
// own, returned when freed, by itself; _heapmin gives back the free space
// of the heap's segments.
#include <malloc.h>

#include "allocator.hpp"

namespace tavirel::service::http {

void KeepLargeBlocksApart() {}

void ReleaseFreeMemory() { ::_heapmin(); }

}  // namespace tavirel::service::http
