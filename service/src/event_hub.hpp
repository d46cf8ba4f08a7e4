#pragma once
// Server-sent events: what the workers publish (document states, register
// status), fanned out to every subscriber through a bounded queue each. A
// subscriber that falls behind by more than its queue is ended (it
// reconnects with Last-Event-ID and is replayed what the history still
// holds), so a slow reader never holds a worker or grows memory.
//
// Thread safety: every member may be called from any thread.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tavirel::service {

struct Event {
  std::uint64_t id = 0;  // increasing from 1
  std::string type;      // "document", "register"
  std::string data;      // one line of JSON
  friend bool operator==(const Event&, const Event&) = default;
};

/// The SSE wire form: "id: 7\nevent: document\ndata: {...}\n\n".
std::string FormatEvent(const Event& event);

class EventHub {
 public:
  class Subscription;

  /// Keeps the last `history` events for replay; each subscriber queues at
  /// most `queue` events.
  explicit EventHub(std::size_t history = 256, std::size_t queue = 256);
  ~EventHub();
  EventHub(const EventHub&) = delete;
  EventHub& operator=(const EventHub&) = delete;

  /// Sends an event to every subscriber; returns its id.
  std::uint64_t Publish(std::string type, std::string data);

  /// A new subscriber. With `after`, the history's events after that id come
  /// first (all it still holds when `after` is older than the history).
  std::shared_ptr<Subscription> Subscribe(std::optional<std::uint64_t> after = std::nullopt);

  /// Ends every subscription, now and later (the service is stopping).
  void Close();

  /// Subscriptions alive.
  [[nodiscard]] std::size_t Subscribers() const;

  class Subscription {
   public:
    /// The events waiting, or waits up to `limit` for some; empty when none
    /// came. Empty at once when the subscription has ended.
    std::vector<Event> Next(std::chrono::milliseconds limit);
    /// True once the hub closed or this subscriber fell behind.
    [[nodiscard]] bool Ended() const;
    ~Subscription();
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;

   private:
    friend class EventHub;
    explicit Subscription(EventHub& hub) : hub_(hub) {}
    EventHub& hub_;
    std::deque<Event> queue_;  // guarded by the hub's mutex
    bool ended_ = false;
  };

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Event> history_;
  std::vector<Subscription*> subscribers_;
  std::size_t history_limit_;
  std::size_t queue_limit_;
  std::uint64_t next_id_ = 1;
  bool closed_ = false;
};

}  // namespace tavirel::service
