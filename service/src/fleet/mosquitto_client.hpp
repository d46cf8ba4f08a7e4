#pragma once
// MqttClient on libmosquitto (MQTT 5): a persistent session (clean start off,
// a session expiry), QoS 1, TLS, a password read from a file, and a thread of
// its own that connects, runs the network loop and reconnects with backoff.
//
// Thread safety: Publish from any thread; Start and Stop from one.
#include <memory>

#include "fleet/mqtt_client.hpp"

namespace tavirel::service::fleet {

/// A client on libmosquitto. `name` names it in errors.
std::unique_ptr<MqttClient> MakeMosquittoClient(MqttSettings settings);

}  // namespace tavirel::service::fleet
