#pragma once
// The driver as a host opens it on the simulated register's device: euro
// mode, port open.
#include <memory>
#include <string>

#include "tavirel/posix_serial_port.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel::sim::test {

inline std::unique_ptr<TavirelControl> ControlOn(const std::string& device) {
  auto control = std::make_unique<TavirelControl>(PosixSerialPort::ForDevice(device));
  control->Initialize();
  control->InitProperties();
  control->EuroSettings(TVL_EUROSETTINGS_EURO);
  control->PortOpen();
  return control;
}

}  // namespace tavirel::sim::test
