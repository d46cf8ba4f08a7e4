#pragma once
// The platform's own serial port, for the parts that must not name it: the
// control's default port and the port factory's device names. Each platform
// defines these in its own file (posix_local_port.cpp, win_local_port.cpp).
#include <memory>
#include <string>

#include "tavirel/serial_port.hpp"

namespace tavirel::port {

/// A closed port whose number maps to a device through DefaultPortDevice.
std::unique_ptr<SerialPort> MakeNumberedPort();

/// A closed port that always opens `device`, a name as the user gave it.
std::unique_ptr<SerialPort> MakeDevicePort(std::string device);

}  // namespace tavirel::port
