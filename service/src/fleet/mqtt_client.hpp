#pragma once
// The broker link as the fleet's logic sees it: connect (and stay connected),
// publish, subscribe, and be told what arrives and what the broker
// acknowledged. The libmosquitto client (mosquitto_client.hpp) is one; the
// tests put a fake in its place.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tavirel::service::fleet {

/// Where and how to connect: from "mqtt://HOST:PORT" or "mqtts://HOST:PORT"
/// and the files beside it.
struct MqttSettings {
  std::string host;
  int port = 1883;
  bool tls = false;
  std::string ca_file;    // mqtts: the broker's CA (empty: the system's)
  std::string cert_file;  // a client certificate, with its key_file
  std::string key_file;
  std::string username;       // empty: none
  std::string password_file;  // its first line is the password
  std::string client_id;      // the persistent session's name
  std::chrono::seconds session_expiry{7 * 24 * 3600};
  std::chrono::seconds keepalive{30};
  friend bool operator==(const MqttSettings&, const MqttSettings&) = default;
};

/// "mqtt://HOST:PORT" or "mqtts://HOST:PORT" (port defaulting to 1883 and
/// 8883) into `settings`. Throws ConfigError.
void ParseMqttUrl(std::string_view url, MqttSettings& settings);

struct MqttMessage {
  std::string topic;
  std::string payload;
  bool retain = false;
};

/// The last-will message, set anew before every connection (it carries the
/// connection's sequence number).
struct MqttWill {
  std::string topic;
  std::string payload;
};

/// Called on the client's own thread, one at a time.
struct MqttHandlers {
  /// Before each connection attempt: the will for it.
  std::function<MqttWill()> will;
  /// The broker accepted the connection; `session_present` when it kept the
  /// session (its subscriptions and the messages queued for it).
  std::function<void(bool session_present)> connected;
  /// The connection ended (it is attempted again after a backoff).
  std::function<void(const std::string& reason)> disconnected;
  /// A message arrived. Returning is the end of its handling.
  std::function<void(const MqttMessage&)> message;
  /// The broker acknowledged the publication `id` (QoS 1: PUBACK).
  std::function<void(int id)> published;
};

class MqttClient {
 public:
  virtual ~MqttClient() = default;
  /// Starts connecting on the client's thread, reconnecting with backoff
  /// until Stop. Throws ConfigError for settings the library refuses.
  virtual void Start(MqttHandlers handlers) = 0;
  /// Disconnects cleanly (no will) and joins the thread. Idempotent.
  virtual void Stop() = 0;
  /// Queues a publication; its id, or nothing when not connected (the
  /// caller sends it again after the next connection). Any thread.
  virtual std::optional<int> Publish(const std::string& topic, const std::string& payload, int qos,
                                     bool retain) = 0;
  /// Subscribes `filter` at QoS 1. Call from `connected`.
  virtual bool Subscribe(const std::string& filter) = 0;
};

}  // namespace tavirel::service::fleet
