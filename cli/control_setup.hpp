#pragma once
// Making the control a command opens: on a port name (a device path, tcp://
// or rfc2217://) or on a port number,
// with line settings and a currency mode.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "tavirel/tavirel_control.hpp"

namespace tavirel::cli {

/// "lire" is 1, "euro" 2, any other whole number itself. Throws UsageError.
std::int32_t ParseMode(std::string_view text);

struct ControlSetup {
  std::string device;                // a port name (see tavirel/port_factory.hpp), or
  std::optional<std::int16_t> port;  // the control's COMPort
  std::string settings = kDefaultSettings;
  std::int32_t mode = TVL_EUROSETTINGS_EURO;
};

/// The setup of the register a command's options choose: exactly one of a
/// port name (`device`), a port number or the built-in simulated register
/// (whose device its caller fills in), with the line settings and currency
/// mode. Throws UsageError naming `command` otherwise, or for the mode.
ControlSetup ChooseRegister(std::string_view command, const std::string& device, int port, bool sim,
                            const std::string& settings, std::string_view mode);

/// A new control on the port the setup names (the platform's serial
/// component for a port number), or on `port` when one is given (the setup's
/// device then only names it), with the setup applied, the port not yet
/// open. Malformed settings or port names throw SettingsError.
std::unique_ptr<TavirelControl> MakeControl(const ControlSetup& setup,
                                            std::unique_ptr<SerialPort> port = nullptr);

}  // namespace tavirel::cli
