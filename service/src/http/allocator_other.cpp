// An allocator without these controls: its own policy stands.
#include "allocator.hpp"

namespace tavirel::service::http {

void KeepLargeBlocksApart() {}

void ReleaseFreeMemory() {}

}  // namespace tavirel::service::http
