#pragma once
// The baud rates the line settings accept: every speed a Linux terminal can
// be set to from 110 up, except 134 (which termios means as 134.5).
#include <algorithm>
#include <array>

namespace tavirel::port {

inline constexpr std::array<int, 27> kSupportedRates{
    110,    150,     200,     300,     600,     1200,    1800,    2400,    4800,
    9600,   19200,   38400,   57600,   115200,  230400,  460800,  500000,  576000,
    921600, 1000000, 1152000, 1500000, 2000000, 2500000, 3000000, 3500000, 4000000};

constexpr bool IsSupportedRate(int baud) {
  return std::find(kSupportedRates.begin(), kSupportedRates.end(), baud) != kSupportedRates.end();
}

}  // namespace tavirel::port
