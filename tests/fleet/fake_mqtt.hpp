#pragma once
// A broker in the test's hands: it records what the service publishes and
// subscribes, and the test connects, drops, delivers and acknowledges.
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "fleet/mqtt_client.hpp"

namespace tavirel::service::fleet::testing {

struct Sent {
  int id = 0;
  std::string topic;
  std::string payload;
  bool retain = false;
};

class FakeBroker {
 public:
  /// Runs the will and the connected handler, as a connection would.
  void Connect(bool session_present = false) {
    MqttHandlers h = Handlers();
    const MqttWill will = h.will();
    {
      std::lock_guard lock(mutex_);
      wills_.push_back(will);
      connected_ = true;
    }
    h.connected(session_present);
  }
  void Drop() {
    {
      std::lock_guard lock(mutex_);
      connected_ = false;
    }
    Handlers().disconnected("dropped by the test");
  }
  void Deliver(const std::string& topic, const std::string& payload) {
    Handlers().message(MqttMessage{topic, payload, false});
  }
  /// Acknowledges every publication so far.
  void AckAll() {
    std::vector<int> ids;
    {
      std::lock_guard lock(mutex_);
      for (const auto& s : sent_) {
        if (s.id > acked_) ids.push_back(s.id);
      }
      if (!ids.empty()) acked_ = ids.back();
    }
    for (int id : ids) Handlers().published(id);
  }
  /// Waits (bounded) until `done` holds for what was sent.
  bool WaitFor(const std::function<bool(const std::vector<Sent>&)>& done,
               std::chrono::seconds limit = std::chrono::seconds(30)) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return done(sent_); });
  }
  std::vector<Sent> SentSoFar() {
    std::lock_guard lock(mutex_);
    return sent_;
  }
  std::vector<MqttWill> Wills() {
    std::lock_guard lock(mutex_);
    return wills_;
  }
  std::vector<std::string> Subscriptions() {
    std::lock_guard lock(mutex_);
    return subscriptions_;
  }

  // The client's side.
  void Started(MqttHandlers handlers) {
    std::lock_guard lock(mutex_);
    handlers_ = std::move(handlers);
    started_ = true;
    changed_.notify_all();
  }
  bool WaitStarted() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(30), [&] { return started_; });
  }
  std::optional<int> Publish(const std::string& topic, const std::string& payload, bool retain) {
    std::lock_guard lock(mutex_);
    if (!connected_) return std::nullopt;
    sent_.push_back({next_id_, topic, payload, retain});
    changed_.notify_all();
    return next_id_++;
  }
  void Subscribe(const std::string& filter) {
    std::lock_guard lock(mutex_);
    subscriptions_.push_back(filter);
  }

 private:
  MqttHandlers Handlers() {
    std::lock_guard lock(mutex_);
    return handlers_;
  }
  std::mutex mutex_;
  std::condition_variable changed_;
  MqttHandlers handlers_;
  bool started_ = false;
  bool connected_ = false;
  int next_id_ = 1;
  int acked_ = 0;
  std::vector<Sent> sent_;
  std::vector<MqttWill> wills_;
  std::vector<std::string> subscriptions_;
};

class FakeClient final : public MqttClient {
 public:
  explicit FakeClient(std::shared_ptr<FakeBroker> broker) : broker_(std::move(broker)) {}
  void Start(MqttHandlers handlers) override { broker_->Started(std::move(handlers)); }
  void Stop() override {}
  std::optional<int> Publish(const std::string& topic, const std::string& payload, int,
                             bool retain) override {
    return broker_->Publish(topic, payload, retain);
  }
  bool Subscribe(const std::string& filter) override {
    broker_->Subscribe(filter);
    return true;
  }

 private:
  std::shared_ptr<FakeBroker> broker_;
};

}  // namespace tavirel::service::fleet::testing
