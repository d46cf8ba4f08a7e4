#include "port/termios_settings.hpp"

#include <array>
#include <string>
#include <utility>

#include "tavirel/errors.hpp"

namespace tavirel::port {
namespace {

constexpr std::array<std::pair<int, speed_t>, 27> kSpeeds{
    {{110, B110},         {150, B150},         {200, B200},         {300, B300},
     {600, B600},         {1200, B1200},       {1800, B1800},       {2400, B2400},
     {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
     {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},
     {500000, B500000},   {576000, B576000},   {921600, B921600},   {1000000, B1000000},
     {1152000, B1152000}, {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000},
     {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000}}};

constexpr std::array<std::pair<int, tcflag_t>, 4> kCharacterSizes{
    {{5, CS5}, {6, CS6}, {7, CS7}, {8, CS8}}};

// The bits of c_cflag that the character format is made of.
constexpr tcflag_t kFormatBits = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;

tcflag_t CharacterSize(int data_bits) {
  for (const auto& [bits, flag] : kCharacterSizes) {
    if (bits == data_bits) return flag;
  }
  return CS8;
}

// Mark parity is "odd" with the parity bit stuck, space "even" stuck.
constexpr std::array<std::pair<Parity, tcflag_t>, 5> kParityFlags{
    {{Parity::None, 0},
     {Parity::Even, PARENB},
     {Parity::Odd, PARENB | PARODD},
     {Parity::Mark, PARENB | CMSPAR | PARODD},
     {Parity::Space, PARENB | CMSPAR}}};

tcflag_t ParityFlags(Parity parity) {
  for (const auto& [row, flags] : kParityFlags) {
    if (row == parity) return flags;
  }
  return 0;
}

tcflag_t FormatFlags(const LineSettings& settings) {
  const tcflag_t stop = settings.stop_bits == StopBits::One ? 0 : CSTOPB;
  return CharacterSize(settings.data_bits) | ParityFlags(settings.parity) | stop;
}

}  // namespace

std::optional<speed_t> TermiosSpeed(int baud) {
  for (const auto& [rate, speed] : kSpeeds) {
    if (rate == baud) return speed;
  }
  return std::nullopt;
}

void ApplyLineSettings(const LineSettings& settings, termios& tio) {
  const auto speed = TermiosSpeed(settings.baud);
  if (!speed)
    throw SettingsError("the baud rate " + std::to_string(settings.baud) +
                        " has no terminal speed");
  cfmakeraw(&tio);
  tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
  tio.c_cflag &= ~(kFormatBits | CRTSCTS);
  tio.c_cflag |= FormatFlags(settings) | CLOCAL | CREAD;
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  cfsetispeed(&tio, *speed);
  cfsetospeed(&tio, *speed);
}

bool CarriesSpeed(const LineSettings& settings, const termios& tio) {
  const auto speed = TermiosSpeed(settings.baud);
  return speed && cfgetospeed(&tio) == *speed && cfgetispeed(&tio) == *speed;
}

bool CarriesLineSettings(const LineSettings& settings, const termios& tio) {
  return CarriesSpeed(settings, tio) && (tio.c_cflag & kFormatBits) == FormatFlags(settings);
}

}  // namespace tavirel::port
