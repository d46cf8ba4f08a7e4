#pragma once
// How long the broker link waits before connecting again: quickly at first
// (a broker restarted), doubling up to 15 s, with a jitter of up to a quarter
// so that hundreds of stores do not all come back in the same second.
#include <chrono>
#include <cstdint>

namespace tavirel::service::fleet {

/// The wait after `failures` attempts in a row (1 for the first); `random`
/// is any number, its low bits chosing the jitter.
std::chrono::milliseconds ReconnectDelay(int failures, std::uint64_t random);

}  // namespace tavirel::service::fleet
