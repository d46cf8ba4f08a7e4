#include "port/local_port.hpp"
#include "tavirel/posix_serial_port.hpp"

namespace tavirel::port {

std::unique_ptr<SerialPort> MakeNumberedPort() { return std::make_unique<PosixSerialPort>(); }

std::unique_ptr<SerialPort> MakeDevicePort(std::string device) {
  return PosixSerialPort::ForDevice(std::move(device));
}

}  // namespace tavirel::port
