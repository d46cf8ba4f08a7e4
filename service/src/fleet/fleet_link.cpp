#include "fleet/fleet_link.hpp"

#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>

#include "api_json.hpp"
#include "fleet/fleet_topics.hpp"
#include "tavirel/documents/document_json.hpp"
#include "tavirel/documents/errors.hpp"
#include "tavirel/documents/keys.hpp"
#include "tavirel/documents/outbox.hpp"
#include "tavirel/documents/preflight.hpp"

namespace tavirel::service::fleet {
namespace {

using Json = nlohmann::json;
using namespace std::chrono_literals;

// Outbox rows published and not yet acknowledged, at most: bounds the
// memory and keeps far below the 65,535 packet ids of a connection.
constexpr std::size_t kWindow = 500;

Json ProblemsJson(const std::vector<documents::Problem>& problems) {
  Json list = Json::array();
  for (const auto& p : problems) list.push_back({{"where", p.where}, {"message", p.message}});
  return list;
}

// The key of a payload that did not read as a document, when it has one.
std::string KeyOf(const std::string& payload) {
  const Json j = Json::parse(payload, nullptr, false);
  if (j.is_object() && j.contains("key") && j["key"].is_string()) return j["key"];
  return "";
}

}  // namespace

struct FleetLink::Impl {
  Impl(FleetContext c, std::unique_ptr<MqttClient> cl) : ctx(std::move(c)), client(std::move(cl)) {}
  FleetContext ctx;
  std::unique_ptr<MqttClient> client;
  std::unique_ptr<documents::Outbox> outbox;  // the pump's thread only
  std::thread pump;

  // Shared with the client's callbacks, under `mutex`.
  mutable std::mutex mutex;
  bool stopping = false;
  bool connected = false;
  std::uint64_t generation = 0;                      // connections so far
  std::vector<std::pair<std::uint64_t, int>> acked;  // (generation, packet id)
  std::int64_t sequence = 0;  // the store status' of the connection being made
  FleetCounts counts;

  // The pump's own.
  std::uint64_t pump_generation = 0;
  std::map<int, std::int64_t> inflight;  // packet id -> outbox row
  std::int64_t last_sent = 0;
  std::map<std::string, std::string> register_status;  // last published, per register

  std::string StoreStatus(std::string_view state, std::int64_t seq) const {
    return Json{{"store", ctx.store}, {"state", state}, {"sequence", seq}}.dump();
  }

  RegisterWorker* Worker(std::string_view name) const {
    for (const auto& w : ctx.workers) {
      if (w->Config().name == name) return w.get();
    }
    return nullptr;
  }

  // --- the client's thread ---

  MqttWill Will() {
    std::lock_guard lock(mutex);
    // It grows at every connection, also across restarts (it follows the
    // wall clock), so a late will never hides a newer "online".
    sequence = std::max(sequence + 1, ctx.now_ms());
    return {StoreStatusTopic(ctx.store), StoreStatus("offline", sequence)};
  }

  void Connected(bool session_present) {
    const std::string prefix = std::string(kTopicRoot) + ctx.store + "/+/";
    client->Subscribe(prefix + "documents");
    client->Subscribe(prefix + "config");
    std::int64_t seq = 0;
    {
      std::lock_guard lock(mutex);
      connected = true;
      ++generation;
      ++counts.connections;
      seq = sequence;
    }
    client->Publish(StoreStatusTopic(ctx.store), StoreStatus("online", seq), 1, true);
    ctx.log.Info("fleet-connected", {{"store", ctx.store},
                                     {"session", session_present ? "kept" : "new"},
                                     {"sequence", std::to_string(seq)}});
  }

  void Disconnected(const std::string& reason) {
    bool was = false;
    {
      std::lock_guard lock(mutex);
      was = connected;
      connected = false;
    }
    if (was) ctx.log.Warning("fleet-disconnected", {{"store", ctx.store}, {"reason", reason}});
  }

  void Published(int id) {
    std::lock_guard lock(mutex);
    acked.emplace_back(generation, id);
  }

  void Refuse(const std::string& reg, const std::string& key, std::string_view state,
              const std::string& reason, const Json& problems = Json()) {
    {
      std::lock_guard lock(mutex);
      ++counts.refused;
    }
    Json j{{"store", ctx.store},
           {"register", reg},
           {"key", key},
           {"state", state},
           {"reason", reason}};
    if (!problems.is_null()) j["problems"] = problems;
    client->Publish(RegisterTopic(ctx.store, reg, TopicKind::Outcomes), j.dump(), 1, false);
    ctx.log.Warning("fleet-refused",
                    {{"register", reg}, {"key", key}, {"state", state}, {"reason", reason}});
  }

  // A programming document on .../config: its key is its own, or made from
  // its version, so the same version sent again is the same document.
  static std::string ConfigPayload(const std::string& reg, const std::string& payload) {
    Json j = Json::parse(payload, nullptr, false);
    if (!j.is_object()) return payload;
    if (!j.contains("type")) j["type"] = "programming";
    if (!j.contains("key") && j.contains("version") && j["version"].is_number_integer()) {
      j["key"] = "config-" + reg + "-v" + std::to_string(j["version"].get<std::int64_t>());
    }
    return j.dump();
  }

  void Message(const MqttMessage& m) {
    const auto topic = ParseRegisterTopic(m.topic);
    if (!topic || topic->store != ctx.store ||
        (topic->kind != TopicKind::Documents && topic->kind != TopicKind::Config)) {
      return;
    }
    {
      std::lock_guard lock(mutex);
      ++counts.received;
    }
    const std::string payload =
        topic->kind == TopicKind::Config ? ConfigPayload(topic->reg, m.payload) : m.payload;
    RegisterWorker* worker = Worker(topic->reg);
    if (!worker) {
      return Refuse(topic->reg, KeyOf(payload), "rejected",
                    "this store has no register \"" + topic->reg + "\"");
    }
    documents::Document document;
    try {
      document = documents::ParseDocument(payload);
    } catch (const documents::DocumentError& e) {
      return Refuse(topic->reg, KeyOf(payload), "rejected", e.what(), ProblemsJson(e.problems()));
    }
    if (topic->kind == TopicKind::Config && document.type != documents::DocumentType::Programming) {
      return Refuse(topic->reg, document.key, "rejected",
                    "the config topic takes programming only");
    }
    auto problems = documents::KeyProblems(document.key, documents::KeyUse::Url);
    if (problems.empty()) problems = documents::Preflight(document, worker->Config().mode);
    if (!problems.empty()) {
      return Refuse(topic->reg, document.key, "rejected", problems.front().message,
                    ProblemsJson(problems));
    }
    try {
      const Submission s = worker->Submit(document);
      // A copy of a document that ended: its outcome again, nothing printed.
      if (s.admitted.admission == documents::Admission::Answered) {
        Json j{{"store", ctx.store},  {"register", topic->reg},
               {"key", document.key}, {"state", documents::StatusName(s.admitted.entry.status)},
               {"replayed", true},    {"outcome", OutcomeJson(*s.admitted.entry.outcome)}};
        client->Publish(RegisterTopic(ctx.store, topic->reg, TopicKind::Outcomes), j.dump(), 1,
                        false);
      }
    } catch (const QueueFullError& e) {
      Refuse(topic->reg, document.key, "refused", e.what());
    } catch (const StoppingError& e) {
      Refuse(topic->reg, document.key, "refused", e.what());
    } catch (const documents::KeyConflictError& e) {  // the key holds other content
      Refuse(topic->reg, document.key, "rejected", e.what());
    } catch (const documents::RegisterMismatchError& e) {  // another register's key
      Refuse(topic->reg, document.key, "rejected", e.what());
    } catch (const std::exception& e) {  // the journal: the sender sends it again
      ctx.log.Error("fleet-admit-failed", {{"key", document.key}, {"reason", e.what()}});
    }
  }

  // --- the pump's thread ---

  void PumpLoop() {
    auto events = ctx.events.Subscribe();
    while (true) {
      {
        std::lock_guard lock(mutex);
        if (stopping) return;
      }
      try {
        Pump();
      } catch (const std::exception& e) {
        ctx.log.Error("fleet-outbox-failed", {{"reason", e.what()}});
        std::this_thread::sleep_for(1s);  // a journal that failed: try again later
      }
      // A state change wakes it at once; acknowledgements are taken at the next turn.
      if (events->Ended()) events = ctx.events.Subscribe();
      events->Next(100ms);
    }
  }

  void Pump() {
    std::vector<std::int64_t> done;
    bool now_connected = false;
    {
      std::lock_guard lock(mutex);
      now_connected = connected;
      if (generation != pump_generation) {  // a new connection: everything again
        pump_generation = generation;
        inflight.clear();
        register_status.clear();
        last_sent = 0;
      }
      for (const auto& [gen, id] : acked) {
        if (gen != pump_generation) continue;
        if (auto it = inflight.find(id); it != inflight.end()) {
          done.push_back(it->second);
          inflight.erase(it);
        }
      }
      acked.clear();
      counts.published += done.size();
    }
    if (!done.empty()) outbox->Remove(done);
    if (!now_connected) return;
    PublishRegisterStatus();
    if (inflight.size() >= kWindow) return;
    for (const auto& row : outbox->After(last_sent, kWindow - inflight.size())) {
      const bool closure = row.kind == documents::OutboxKind::Closure;
      Json j{{"store", ctx.store},
             {"register", row.register_name},
             {"key", row.key},
             {"state", row.state},
             {"at", row.made}};
      Json outcome = row.outcome ? Json::parse(*row.outcome, nullptr, false) : Json();
      if (!outcome.is_discarded() && !outcome.is_null()) j["outcome"] = outcome;
      const auto kind = closure ? TopicKind::Closures : TopicKind::Outcomes;
      const auto id =
          client->Publish(RegisterTopic(ctx.store, row.register_name, kind), j.dump(), 1, false);
      if (!id) return;  // not connected: all again after the next connection
      inflight[*id] = row.id;
      last_sent = row.id;
      if (!closure && row.state == "closed" && outcome.is_object() && outcome.contains("version") &&
          outcome["version"].is_number_integer()) {
        Json reported{{"version", outcome["version"]}, {"key", row.key}, {"at", row.made}};
        client->Publish(RegisterTopic(ctx.store, row.register_name, TopicKind::ConfigReported),
                        reported.dump(), 1, true);
      }
    }
  }

  void PublishRegisterStatus() {
    for (const auto& w : ctx.workers) {
      Json j = StatusJson(w->Status());
      j["store"] = ctx.store;
      std::string text = j.dump();
      auto& last = register_status[w->Config().name];
      if (text == last) continue;
      if (client->Publish(RegisterTopic(ctx.store, w->Config().name, TopicKind::Status), text, 1,
                          true)) {
        last = std::move(text);
      }
    }
  }
};

FleetLink::FleetLink(FleetContext context, std::unique_ptr<MqttClient> client)
    : impl_(std::make_unique<Impl>(std::move(context), std::move(client))) {}

FleetLink::~FleetLink() { Stop(); }

void FleetLink::Start() {
  Impl& s = *impl_;
  s.outbox = std::make_unique<documents::Outbox>(s.ctx.journal_path);
  s.outbox->Enable();
  MqttHandlers handlers;
  handlers.will = [&s] { return s.Will(); };
  handlers.connected = [&s](bool present) { s.Connected(present); };
  handlers.disconnected = [&s](const std::string& reason) { s.Disconnected(reason); };
  handlers.message = [&s](const MqttMessage& m) { s.Message(m); };
  handlers.published = [&s](int id) { s.Published(id); };
  s.client->Start(std::move(handlers));
  s.pump = std::thread([&s] { s.PumpLoop(); });
}

void FleetLink::Stop() {
  Impl& s = *impl_;
  bool connected = false;
  std::int64_t seq = 0;
  {
    std::lock_guard lock(s.mutex);
    if (s.stopping) return;
    s.stopping = true;
    connected = s.connected;
    seq = s.sequence;
  }
  if (s.pump.joinable()) s.pump.join();
  if (connected)
    s.client->Publish(StoreStatusTopic(s.ctx.store), s.StoreStatus("offline", seq), 1, true);
  s.client->Stop();
}

FleetCounts FleetLink::Counts() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->counts;
}

}  // namespace tavirel::service::fleet
