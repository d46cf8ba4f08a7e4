#pragma once
// Measurements over a real pseudo-terminal against the simulated register,
// as rows of scripts/bench's table (bench_table.hpp).
#include <string>
#include <vector>

#include "bench_table.hpp"

namespace tavirel::bench {

/// Sale lines per second over a pty, no pacing, no processing time: one
/// 100-line receipt per round.
Row MeasureRoundTrips(int rounds);
/// A 10-line receipt (lines, subtotal, payment) at 9600 baud with zero
/// processing time: its time over the wire time of the bytes that crossed,
/// one receipt per round.
Row MeasureWireRatio(int rounds);
/// Peak resident memory of `tavirel call` running a whole receipt against a
/// register on a pty of ours.
std::vector<Row> MeasureCallMemory(const std::string& cli);
/// An eight-step receipt against a register that paces the line at 9600
/// baud and takes 40 ms a command, one per round, interleaved with the same
/// receipt unpaced: the calling thread's wake-ups (voluntary context
/// switches) per exchange beside the bytes it received per exchange, and its
/// CPU per receipt paced beside unpaced.
std::vector<Row> MeasurePacedWakeUps(int rounds);
/// The machine's price of work after a sleep as long as a paced register's
/// command: reading 256 KiB (one byte a cache line) just after a 50 ms
/// sleep, beside reading it again at once. Explains why CPU at line speed
/// costs more than the same work unpaced.
Row MeasureColdTouch(int rounds);
/// Growth of the resident memory of one `tavirel call -` session per
/// 100,000 OPs read from its standard input, after 10,000 to warm up.
Row MeasureCallMemoryGrowth(const std::string& cli, int rounds);

}  // namespace tavirel::bench
