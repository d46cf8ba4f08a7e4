#pragma once
// How long a register that cannot be opened waits before the next attempt:
// quickly at first (a cable put back), then no more often than every 30 s.
#include <chrono>

namespace tavirel::service {

/// The wait after `failures` failed attempts in a row (1 for the first).
std::chrono::milliseconds ReopenDelay(int failures);

}  // namespace tavirel::service
