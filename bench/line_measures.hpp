#pragma once
// Measurements over a real pseudo-terminal against the simulated register.
#include <chrono>
#include <string>
#include <vector>

namespace tavirel::bench {

/// One line of the table: what, how much, of what, and the target if any.
struct Figure {
  std::string what;
  double value = 0;
  std::string unit;
  std::string target;  // "" when there is none
  bool met = true;
};

/// Round trips per second of two threads exchanging a sale line's bytes
/// (request, ACK and reply, ACK) over a pty with nothing else: the line's
/// own limit on this machine.
Figure MeasureBarePty(int round_trips);
/// Sale lines per second over a pty, no pacing, no processing time.
Figure MeasureRoundTrips(std::chrono::seconds duration);
/// A 10-line receipt (lines, subtotal, payment) at 9600 baud with zero
/// processing time: its time over the wire time of the bytes that crossed.
Figure MeasureWireRatio(int receipts);
/// CPU seconds per wall second of the calling thread during a call that
/// waits `delay` for its reply.
Figure MeasureWaitingCpu(std::chrono::milliseconds delay);
/// Peak resident memory of `tavirel call` running a whole receipt against a
/// register on a pty of ours.
std::vector<Figure> MeasureCallMemory(const std::string& cli);

}  // namespace tavirel::bench
