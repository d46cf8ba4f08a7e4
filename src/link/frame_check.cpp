#include "tavirel/frame_check.hpp"

#include "link/frame.hpp"

namespace tavirel {

bool FrameChecksumRight(std::string_view frame) { return link::VerifyReplyChecksum(frame); }

int RequestChecksum(std::int16_t frame_counter, std::string_view command_bytes) {
  return link::ComputeFrameChecksum(frame_counter, command_bytes);
}

}  // namespace tavirel
