#pragma once
// The line trace: every byte written and read, timestamped, as hex and
// printable text, each frame decoded (counter, command or reply code,
// checksum right or wrong). Bytes read are gathered into frames,
// acknowledgements and stray bytes before printing. What it keeps of one
// item is bounded: a run longer than any reply is counted, not kept, and
// printed as its first rows and "... 49,999,980 more bytes".
#include <chrono>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

#include "tavirel/host.hpp"

namespace tavirel::support {

using TimePoint = std::chrono::steady_clock::time_point;

/// Bytes of one item kept for decoding: more than the longest reply.
inline constexpr std::size_t kTraceKeptBytes = 4200;
/// Bytes printed of an item too long to keep whole.
inline constexpr std::size_t kTraceShownBytes = 64;

/// One line that says what the bytes are: "request counter 02, command 1050,
/// checksum 61 right", "ACK", "reply counter 01, code 4201, checksum 07
/// wrong", "stray bytes". Bytes taken from the line are shown printable
/// (\xHH for the rest).
std::string DescribeBytes(TraceDirection direction, std::string_view bytes);

/// Rows of up to 16 bytes: hex, then the printable text ('.' for the rest).
std::string HexRows(std::string_view bytes, std::string_view indent);

/// "49,999,980".
std::string GroupedNumber(std::size_t value);

class TracePrinter {
 public:
  /// Times are printed as seconds since `origin`. `before_print` runs before
  /// each block is written (the elapsed-time indicator clears its line there).
  TracePrinter(std::ostream& out, TimePoint origin, std::function<void()> before_print = {});

  void OnBytes(TraceDirection direction, std::string_view bytes, TimePoint at);
  /// Prints the bytes read that do not yet make a whole item.
  void Flush();

 private:
  void Print(TraceDirection direction, std::string_view kept, std::size_t total, TimePoint at);
  void TakeRead(char c, TimePoint at);

  std::ostream& out_;
  TimePoint origin_;
  std::function<void()> before_print_;
  std::string pending_;            // bytes read: a frame in progress or stray bytes (bounded)
  std::size_t pending_total_ = 0;  // including those not kept
  TimePoint pending_at_{};
};

}  // namespace tavirel::support
