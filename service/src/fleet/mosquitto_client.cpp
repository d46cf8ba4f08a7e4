// libmosquitto behind MqttClient. The library's own reconnection is not used:
// the will must change at every connection (it carries the sequence number),
// so this thread connects, runs the loop, and waits its backoff itself.
#include "fleet/mosquitto_client.hpp"

#include <mosquitto.h>
#include <mqtt_protocol.h>

#include <condition_variable>
#include <fstream>
#include <mutex>
#include <random>
#include <thread>

#include "fleet/reconnect_delay.hpp"
#include "service_errors.hpp"

namespace tavirel::service::fleet {
namespace {

void InitLibrary() {
  // libmosquitto's own process-wide set-up (OpenSSL's); it is never undone.
  static std::once_flag once;
  std::call_once(once, [] { mosquitto_lib_init(); });
}

std::string ReadPassword(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  if (!in || !std::getline(in, line)) {
    throw ConfigError("cannot read the broker's password from " + path);
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

class MosquittoClient final : public MqttClient {
 public:
  explicit MosquittoClient(MqttSettings settings) : settings_(std::move(settings)) {
    InitLibrary();
    // Clean start off: the broker keeps the session (subscriptions, QoS 1
    // messages) across connections, for as long as the session expiry.
    mosq_ = mosquitto_new(settings_.client_id.c_str(), false, this);
    if (!mosq_) throw ConfigError("cannot make an MQTT client for " + settings_.client_id);
    mosquitto_int_option(mosq_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    mosquitto_threaded_set(mosq_, true);
    Configure();
    mosquitto_connect_v5_callback_set(mosq_, &MosquittoClient::OnConnect);
    mosquitto_disconnect_v5_callback_set(mosq_, &MosquittoClient::OnDisconnect);
    mosquitto_message_v5_callback_set(mosq_, &MosquittoClient::OnMessage);
    mosquitto_publish_v5_callback_set(mosq_, &MosquittoClient::OnPublish);
  }
  ~MosquittoClient() override {
    Stop();
    mosquitto_destroy(mosq_);
  }

  void Start(MqttHandlers handlers) override {
    handlers_ = std::move(handlers);
    thread_ = std::thread([this] { Run(); });
  }

  void Stop() override {
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
      stopping_ = true;
    }
    wake_.notify_all();
    mosquitto_disconnect_v5(mosq_, MQTT_RC_NORMAL_DISCONNECTION, nullptr);
    if (thread_.joinable()) thread_.join();
  }

  std::optional<int> Publish(const std::string& topic, const std::string& payload, int qos,
                             bool retain) override {
    int mid = 0;
    const int rc =
        mosquitto_publish_v5(mosq_, &mid, topic.c_str(), static_cast<int>(payload.size()),
                             payload.data(), qos, retain, nullptr);
    if (rc != MOSQ_ERR_SUCCESS) return std::nullopt;
    return mid;
  }

  bool Subscribe(const std::string& filter) override {
    return mosquitto_subscribe_v5(mosq_, nullptr, filter.c_str(), 1, 0, nullptr) ==
           MOSQ_ERR_SUCCESS;
  }

 private:
  void Configure() {
    const MqttSettings& s = settings_;
    if (s.tls) {
      if (s.ca_file.empty()) mosquitto_int_option(mosq_, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
      const int rc = mosquitto_tls_set(mosq_, s.ca_file.empty() ? nullptr : s.ca_file.c_str(),
                                       nullptr, s.cert_file.empty() ? nullptr : s.cert_file.c_str(),
                                       s.key_file.empty() ? nullptr : s.key_file.c_str(), nullptr);
      if (rc != MOSQ_ERR_SUCCESS) {
        throw ConfigError(std::string("the broker's TLS settings are refused: ") +
                          mosquitto_strerror(rc));
      }
    }
    if (!s.username.empty()) {
      const std::string password = s.password_file.empty() ? "" : ReadPassword(s.password_file);
      mosquitto_username_pw_set(mosq_, s.username.c_str(),
                                s.password_file.empty() ? nullptr : password.c_str());
    }
  }

  void Run() {
    std::minstd_rand jitter(static_cast<unsigned>(std::hash<std::string>{}(settings_.client_id)));
    int failures = 0;
    while (!Stopping()) {
      if (handlers_.will) {
        const MqttWill will = handlers_.will();
        mosquitto_will_set_v5(mosq_, will.topic.c_str(), static_cast<int>(will.payload.size()),
                              will.payload.data(), 1, true, nullptr);
      }
      mosquitto_property* props = nullptr;
      mosquitto_property_add_int32(&props, MQTT_PROP_SESSION_EXPIRY_INTERVAL,
                                   static_cast<std::uint32_t>(settings_.session_expiry.count()));
      int rc =
          mosquitto_connect_bind_v5(mosq_, settings_.host.c_str(), settings_.port,
                                    static_cast<int>(settings_.keepalive.count()), nullptr, props);
      mosquitto_property_free_all(&props);
      if (rc == MOSQ_ERR_SUCCESS) {
        while (!Stopping() && rc == MOSQ_ERR_SUCCESS) rc = mosquitto_loop(mosq_, 200, 1);
        if (connected_once_) failures = 0;
        connected_once_ = false;
      } else if (handlers_.disconnected) {
        handlers_.disconnected(mosquitto_strerror(rc));
      }
      if (Stopping()) break;
      ++failures;
      std::unique_lock lock(mutex_);
      wake_.wait_for(lock, ReconnectDelay(failures, jitter()), [this] { return stopping_; });
    }
  }

  bool Stopping() {
    std::lock_guard lock(mutex_);
    return stopping_;
  }

  static MosquittoClient& Self(void* obj) { return *static_cast<MosquittoClient*>(obj); }

  static void OnConnect(mosquitto*, void* obj, int rc, int flags, const mosquitto_property*) {
    MosquittoClient& self = Self(obj);
    if (rc != 0) {
      if (self.handlers_.disconnected) self.handlers_.disconnected(mosquitto_reason_string(rc));
      return;
    }
    self.connected_once_ = true;
    if (self.handlers_.connected) self.handlers_.connected((flags & 1) != 0);
  }
  static void OnDisconnect(mosquitto*, void* obj, int rc, const mosquitto_property*) {
    MosquittoClient& self = Self(obj);
    if (self.handlers_.disconnected) {
      self.handlers_.disconnected(rc == 0 ? "disconnected" : mosquitto_strerror(rc));
    }
  }
  static void OnMessage(mosquitto*, void* obj, const mosquitto_message* m,
                        const mosquitto_property*) {
    MosquittoClient& self = Self(obj);
    if (!self.handlers_.message) return;
    MqttMessage message;
    message.topic = m->topic;
    message.payload.assign(static_cast<const char*>(m->payload),
                           static_cast<std::size_t>(m->payloadlen));
    message.retain = m->retain;
    self.handlers_.message(message);
  }
  static void OnPublish(mosquitto*, void* obj, int mid, int reason, const mosquitto_property*) {
    MosquittoClient& self = Self(obj);
    // A refusal (not authorised, say) is not an arrival: the row stays.
    if (reason < 0x80 && self.handlers_.published) self.handlers_.published(mid);
  }

  MqttSettings settings_;
  mosquitto* mosq_ = nullptr;
  MqttHandlers handlers_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  bool connected_once_ = false;  // the loop's thread only
  std::thread thread_;
};

}  // namespace

std::unique_ptr<MqttClient> MakeMosquittoClient(MqttSettings settings) {
  return std::make_unique<MosquittoClient>(std::move(settings));
}

}  // namespace tavirel::service::fleet
