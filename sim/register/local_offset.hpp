#pragma once
// The local time zone's offset from UTC now, in seconds east: the platform's
// (posix_local_offset.cpp, win_local_offset.cpp).
#include <cstdint>

namespace tavirel::sim {

std::int64_t LocalUtcOffset();

}  // namespace tavirel::sim
