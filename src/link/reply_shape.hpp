#pragma once
// What a request's reply is expected to look like, so the wait can sleep
// through a reply on its way instead of waking for every byte of it. Only a
// guess for the wait: whatever reply comes is taken and judged as before.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tavirel::link {

/// The payload length a request expects, by reply code where it depends
/// on it (a payment answers 1171 or 1172 with layouts of their own).
struct ReplyShape {
  struct Entry {
    std::int16_t code = kAnyCode;  // the reply code, or kAnyCode
    std::uint16_t payload = 0;     // characters; 0: this entry is unused
  };
  static constexpr std::int16_t kAnyCode = -1;
  std::array<Entry, 2> entries{};

  /// The whole frame's length for a reply whose payload opens with `code`
  /// (its four characters); 0 when this shape does not tell.
  [[nodiscard]] std::size_t FrameLength(std::string_view code) const;
  /// The shortest whole frame this shape announces for any code; 0 when it
  /// announces none.
  [[nodiscard]] std::size_t ShortestFrame() const;
};

/// How many more bytes the wait needs before it has anything to act on,
/// from what has come so far: 1 until the ACK and the reply's STX have come
/// (their time cannot be told); then, before the reply's code is in, the
/// rest of the shortest reply the shape announces, so a reply that comes
/// as expected is taken in one sleep (an error reply, shorter, is taken at
/// that sleep's end), or the rest of the frame's head (STX, counter, "R",
/// the four-character reply code) when the shape announces nothing; then
/// the rest of the frame the code announces ("EERR": an error reply's 14
/// bytes), and 1 again when the shape does not tell or the reply runs
/// longer than it said.
std::size_t BytesToCome(bool ack_seen, std::string_view buffer, const ReplyShape& shape);

}  // namespace tavirel::link
