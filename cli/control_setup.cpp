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

ControlSetup ChooseRegister(std::string_view command, const std::string& device, int port, bool sim,
                            const std::string& settings, std::string_view mode) {
  const int chosen = (device.empty() ? 0 : 1) + (port != 0 ? 1 : 0) + (sim ? 1 : 0);
  if (chosen != 1) {
    throw UsageError(std::string(command) +
                     " needs exactly one of --device NAME, --port N or --sim");
  }
  ControlSetup setup;
  setup.device = device;
  if (port != 0) setup.port = static_cast<std::int16_t>(port);
  setup.settings = settings;
  setup.mode = ParseMode(mode);
  return setup;
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
