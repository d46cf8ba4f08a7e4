#include "control_setup.hpp"

#include <charconv>

#include "cli_errors.hpp"
#include "tavirel/port_factory.hpp"
#include "tavirel/posix_serial_port.hpp"
#include "tavirel/support/currency_mode.hpp"

namespace tavirel::cli {

std::int32_t ParseMode(std::string_view text) {
  const auto mode = support::ParseCurrencyMode(text, true);
  if (!mode) {
    throw UsageError("--mode must be lire, euro or a whole number, not \"" + std::string(text) +
                     "\"");
  }
  return *mode;
}

std::unique_ptr<TavirelControl> MakeControl(const ControlSetup& setup) {
  std::unique_ptr<SerialPort> port;
  if (setup.device.empty()) {
    port = std::make_unique<PosixSerialPort>();
  } else {
    port = MakePort(setup.device);
  }
  auto control = std::make_unique<TavirelControl>(std::move(port));
  control->InitProperties();
  control->Settings(setup.settings);
  if (setup.port) control->COMPort(*setup.port);
  control->EuroSettings(setup.mode);
  return control;
}

}  // namespace tavirel::cli
