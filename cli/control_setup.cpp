#include "control_setup.hpp"

#include <charconv>

#include "cli_errors.hpp"
#include "tavirel/port_factory.hpp"
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

std::unique_ptr<TavirelControl> MakeControl(const ControlSetup& setup,
                                            std::unique_ptr<SerialPort> port) {
  // Without a port the control makes the platform's own, numbered by COMPort.
  if (!port && !setup.device.empty()) port = MakePort(setup.device);
  auto control = std::make_unique<TavirelControl>(std::move(port));
  control->InitProperties();
  control->Settings(setup.settings);
  if (setup.port) control->COMPort(*setup.port);
  control->EuroSettings(setup.mode);
  return control;
}

}  // namespace tavirel::cli
