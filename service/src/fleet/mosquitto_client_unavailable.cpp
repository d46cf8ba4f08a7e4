// Builds without libmosquitto (Windows: Debian builds it for Linux only):
// a store cannot join a fleet, and says so when asked to.
#include "fleet/mosquitto_client.hpp"
#include "service_errors.hpp"

namespace tavirel::service::fleet {

std::unique_ptr<MqttClient> MakeMosquittoClient(MqttSettings) {
  throw ConfigError(
      "--mqtt: this build of tavireld has no MQTT client (it is built without libmosquitto); "
      "a store joins a fleet with the Linux build (docs/fleet.md)");
}

}  // namespace tavirel::service::fleet
