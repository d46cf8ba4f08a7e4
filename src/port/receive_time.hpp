#pragma once
// How long a port may sleep while bytes it was told to expect are on their
// way (SerialPort::WaitForBytes): their time on the line, plus a grace for
// what stands between the wire and the reader (a UART's receive timeout of
// about four characters, a scheduler's tick). Shared by every port that
// knows its line's speed. The grace is what a reply's end may wait past its
// last byte (about 6 ms an exchange at 9600 baud, 3 to 4 % of it); a smaller
// one wakes the driver once more whenever the bytes lag behind the line's
// pace, as a UART's last bytes do.
#include <chrono>
#include <cmath>
#include <cstddef>

#include "tavirel/line_settings.hpp"

namespace tavirel::port {

inline constexpr double kGraceCharacters = 4;
inline constexpr std::chrono::milliseconds kGraceTime{2};

/// The time `count` characters take to arrive at `settings`, with the grace,
/// in whole milliseconds rounded up.
inline std::chrono::milliseconds ReceiveTime(const LineSettings& settings, std::size_t count) {
  const double characters = static_cast<double>(count) + kGraceCharacters;
  const double ms = 1000.0 * characters * settings.BitsPerCharacter() / settings.baud;
  return std::chrono::milliseconds(static_cast<long long>(std::ceil(ms))) + kGraceTime;
}

}  // namespace tavirel::port
