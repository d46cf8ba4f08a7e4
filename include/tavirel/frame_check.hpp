#pragma once
// Checks of frames as they cross the line, for traces and line monitors: the
// same sums the driver's exchange computes, so a tool never re-derives them.
// Plain functions of their arguments: thread-safe.
#include <cstdint>
#include <string_view>

#include "tavirel/export.hpp"

namespace tavirel {

/// True when `frame` (STX .. ETX, a request or a reply) carries the checksum
/// its bytes give: positions 2 .. L-3 summed modulo 100, against the two
/// characters before the ETX (blanks around the digits tolerated, no sign).
TAVIREL_API bool FrameChecksumRight(std::string_view frame);

/// The checksum (0-99) a request frame with `frame_counter` (0-99) and
/// `command_bytes` (as they go on the line) carries.
TAVIREL_API int RequestChecksum(std::int16_t frame_counter, std::string_view command_bytes);

}  // namespace tavirel
