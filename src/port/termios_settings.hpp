#pragma once
// LineSettings in termios terms: the one place that knows the flags.
#include <termios.h>

#include <optional>

#include "tavirel/line_settings.hpp"

namespace tavirel::port {

/// The termios speed of a rate; none for a rate termios cannot set.
std::optional<speed_t> TermiosSpeed(int baud);

/// Puts `tio` into raw mode with the line settings: reads return as soon as
/// one byte is there (VMIN 1, VTIME 0), no flow control, receiver on, modem
/// control lines ignored. 1.5 stop bits become CSTOPB (2), since termios has
/// no 1.5. Throws SettingsError for a rate with no termios speed.
void ApplyLineSettings(const LineSettings& settings, termios& tio);

/// True when `tio` carries the speed of `settings`.
bool CarriesSpeed(const LineSettings& settings, const termios& tio);

/// True when `tio` carries the speed and the character format of `settings`
/// (a device may silently drop what it cannot do, mark/space parity say).
bool CarriesLineSettings(const LineSettings& settings, const termios& tio);

}  // namespace tavirel::port
