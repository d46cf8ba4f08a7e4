#include "port/local_port.hpp"
#include "tavirel/win_serial_port.hpp"

namespace tavirel::port {

std::unique_ptr<SerialPort> MakeNumberedPort() { return std::make_unique<WinSerialPort>(); }

std::unique_ptr<SerialPort> MakeDevicePort(std::string device) {
  return WinSerialPort::ForDevice(std::move(device));
}

}  // namespace tavirel::port
