#include "control_setup.hpp"

#include <charconv>

#include "cli_errors.hpp"
#include "tavirel/port_factory.hpp"

namespace tavirel::cli {

std::int32_t ParseMode(std::string_view text) {
  if (text == "lire") return TVL_EUROSETTINGS_LIRE;
  if (text == "euro") return TVL_EUROSETTINGS_EURO;
  std::int32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) {
    throw UsageError("--mode must be lire, euro or a whole number, not \"" + std::string(text) +
                     "\"");
  }
  return value;
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
