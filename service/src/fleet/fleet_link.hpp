#pragma once
// A store on the broker: the link between the broker and this service's
// registers. Documents and programming that arrive are admitted through the
// registers' workers (the journal first, as over HTTP); what the journal's
// outbox holds (every state change, every daily closure) is published at QoS
// 1 and removed once the broker acknowledged it; the store's status (with its
// will) and each register's status are kept retained.
//
// At-least-once into the journal: libmosquitto acknowledges a QoS 1 message
// before it hands it over, so a service killed between the two loses it from
// the broker's queue. The sender covers that gap: it publishes again, under
// the same key, a document whose outcome did not come (tavirel fleet send
// --wait does), and the journal makes the copy print nothing.
//
// Thread safety: Start and Stop from one thread; the rest runs on the
// client's thread and the link's own.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "event_hub.hpp"
#include "fleet/mqtt_client.hpp"
#include "log.hpp"
#include "register_worker.hpp"

namespace tavirel::service::fleet {

struct FleetContext {
  std::string store;
  std::string journal_path;  // the outbox's file
  const std::vector<std::unique_ptr<RegisterWorker>>& workers;
  EventHub& events;
  Log& log;
  /// Wall-clock milliseconds: the store status' sequence grows from it, and
  /// a document's expires_at is compared with it.
  std::function<std::int64_t()> now_ms;
};

/// What a link did, for tests and the metrics.
struct FleetCounts {
  std::uint64_t connections = 0;
  std::uint64_t received = 0;   // documents and programming that arrived
  std::uint64_t refused = 0;    // of those, refused before the journal
  std::uint64_t published = 0;  // outbox rows the broker acknowledged
};

class FleetLink {
 public:
  FleetLink(FleetContext context, std::unique_ptr<MqttClient> client);
  /// Stops.
  ~FleetLink();
  FleetLink(const FleetLink&) = delete;
  FleetLink& operator=(const FleetLink&) = delete;

  /// Enables the outbox and starts the client and the publishing thread.
  /// Throws JournalError, ConfigError.
  void Start();
  /// Publishes the store offline (when connected) and ends both threads.
  void Stop();

  [[nodiscard]] FleetCounts Counts() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tavirel::service::fleet
