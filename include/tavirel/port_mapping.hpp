#pragma once
// How a port number (the control's COMPort) becomes a device name. The
// mapping is the platform's: /dev/ttyS<n-1> on Linux, \\.\COM<n> on Windows.
#include <cstdint>
#include <functional>
#include <string>

#include "tavirel/export.hpp"

namespace tavirel {

/// Maps a port number to a device path. Called by the port at each open.
using PortMapping = std::function<std::string(std::int16_t port)>;

/// The platform's default mapping: port n is /dev/ttyS<n-1> on POSIX systems
/// and \\.\COM<n> on Windows. Throws SerialError for a number below 1.
/// Reentrant.
TAVIREL_API std::string DefaultPortDevice(std::int16_t port);

}  // namespace tavirel
