#pragma once
// The driver against its floors, side by side on the same kind of
// pseudo-terminal with the same message sizes: client CPU per sale line
// against libmodbus RTU, round trips per second against a bare write and
// blocking read, and CPU while a call waits.
#include <vector>

#include "bench_table.hpp"

namespace tavirel::bench {

/// The driver's rows, each over `rounds` rounds of `exchanges` exchanges.
std::vector<Row> MeasureDriver(int rounds, int exchanges);

}  // namespace tavirel::bench
