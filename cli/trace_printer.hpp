#pragma once
// The line trace: every byte written and read, timestamped, as hex and
// printable text, each frame decoded (counter, command or reply code,
// checksum right or wrong). Bytes read arrive one at a time; they are
// gathered into frames, acknowledgements and stray bytes before printing.
#include <chrono>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

#include "tavirel/host.hpp"

namespace tavirel::cli {

using TimePoint = std::chrono::steady_clock::time_point;

/// One line that says what the bytes are: "request counter 02, command 1050,
/// checksum 61 right", "ACK", "reply counter 01, code 4201, checksum 07
/// wrong (sum gives 05)", "stray bytes".
std::string DescribeBytes(TraceDirection direction, std::string_view bytes);

/// Rows of up to 16 bytes: hex, then the printable text ('.' for the rest).
std::string HexRows(std::string_view bytes, std::string_view indent);

class TracePrinter {
 public:
  /// Times are printed as seconds since `origin`. `before_print` runs before
  /// each block is written (the elapsed-time indicator clears its line there).
  TracePrinter(std::ostream& out, TimePoint origin, std::function<void()> before_print = {});

  void OnBytes(TraceDirection direction, std::string_view bytes, TimePoint at);
  /// Prints the bytes read that do not yet make a whole item.
  void Flush();

 private:
  void Print(TraceDirection direction, std::string_view bytes, TimePoint at);
  void TakeRead(char c, TimePoint at);

  std::ostream& out_;
  TimePoint origin_;
  std::function<void()> before_print_;
  std::string pending_;  // bytes read: a frame in progress or stray bytes
  TimePoint pending_at_{};
};

}  // namespace tavirel::cli
