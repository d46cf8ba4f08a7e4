#include "link/reply_shape.hpp"

#include <algorithm>

#include "link/frame.hpp"

namespace tavirel::link {
namespace {

// STX, two counter digits, "R" and the four-character reply code.
constexpr std::size_t kHeadLength = 8;
constexpr std::size_t kCodeAt = 4;
// What a frame adds to its payload: STX, counter, "R", checksum, ETX.
constexpr std::size_t kFraming = 7;

// The code's four characters as a number; -2 (matching nothing) when they
// are not four digits.
int CodeNumber(std::string_view code) {
  if (code.size() != 4) return -2;
  int value = 0;
  for (const char c : code) {
    if (c < '0' || c > '9') return -2;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

std::size_t ReplyShape::FrameLength(std::string_view code) const {
  const int number = CodeNumber(code);
  for (const Entry& entry : entries) {
    if (entry.payload == 0) continue;
    if (entry.code == kAnyCode || entry.code == number) return entry.payload + kFraming;
  }
  return 0;
}

std::size_t ReplyShape::ShortestFrame() const {
  std::size_t shortest = 0;
  for (const Entry& entry : entries) {
    if (entry.payload == 0) continue;
    const std::size_t whole = entry.payload + kFraming;
    if (shortest == 0 || whole < shortest) shortest = whole;
  }
  return shortest;
}

std::size_t BytesToCome(bool ack_seen, std::string_view buffer, const ReplyShape& shape) {
  if (!ack_seen || buffer.empty() || buffer.front() != kSTX) return 1;
  if (buffer.size() < kHeadLength) {
    // Waking for the head alone would cost a wake-up per reply; most replies
    // are the one the request expects.
    const std::size_t expected = std::max(shape.ShortestFrame(), kHeadLength);
    return expected - buffer.size();
  }
  const std::string_view code = buffer.substr(kCodeAt, 4);
  const std::size_t whole = code == kErrorCode ? kErrorReplyLength : shape.FrameLength(code);
  return whole > buffer.size() ? whole - buffer.size() : 1;
}

}  // namespace tavirel::link
