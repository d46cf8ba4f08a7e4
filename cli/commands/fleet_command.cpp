// tavirel fleet: the back office of a chain of stores on an MQTT broker
// (docs/fleet.md). `send` publishes a document or a programming to a store's
// register and, with --wait, waits for its outcome, publishing it again
// under the same key until one comes (the key keeps it from printing twice);
// `watch` prints the stores' and registers' status as it changes; `list`
// prints the registers that are offline, need attention or are due a
// closure; `closures` collects the daily closures into SQLite or CSV, once
// per key. --share splits outcomes and closures between back-office
// instances (a shared subscription).
#include <sqlite3.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <condition_variable>
#include <fstream>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <thread>

#include "cli_errors.hpp"
#include "commands/commands.hpp"
#include "fleet/fleet_topics.hpp"
#include "fleet/mosquitto_client.hpp"
#include "tavirel/errors.hpp"
#include "terminal_text.hpp"

namespace tavirel::cli {
namespace {

using Json = nlohmann::json;
using namespace std::chrono_literals;
namespace fl = tavirel::service::fleet;

struct FleetOptions {
  std::string broker = "mqtt://127.0.0.1:1883";
  std::string username, password_file, ca_file, cert_file, key_file, client_id, share;
  // send
  std::string target;  // STORE/REGISTER
  std::string file = "-";
  bool config = false;
  int wait = 0;
  int resend = 10;
  // watch, list, closures
  int seconds = 0;  // 0: until interrupted (watch, closures); list: until quiet
  bool offline = false, attention = false, closure_due = false;
  std::string sqlite, csv;
};

constexpr const char* kExamples = R"(
Examples:
  tavirel fleet send milano-3/banco receipt.json --wait 60
  tavirel fleet send milano-3/banco tables.json --config --wait 120
  tavirel fleet watch --broker mqtts://broker.example:8883 --ca-file ca.pem
  tavirel fleet list --offline --attention --closure-due
  tavirel fleet closures --sqlite closures.db --share backoffice)";

// Messages as they arrive, for the command's own thread.
class Inbox {
 public:
  void Put(fl::MqttMessage m) {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(m));
    changed_.notify_all();
  }
  void Connected() {
    std::lock_guard lock(mutex_);
    ++connections_;
    changed_.notify_all();
  }
  std::vector<fl::MqttMessage> Take(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, limit, [&] { return !queue_.empty(); });
    std::vector<fl::MqttMessage> out(queue_.begin(), queue_.end());
    queue_.clear();
    return out;
  }
  bool WaitConnected(std::chrono::seconds limit) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return connections_ > 0; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<fl::MqttMessage> queue_;
  int connections_ = 0;
};

struct Session {
  std::unique_ptr<fl::MqttClient> client;
  Inbox inbox;
  ~Session() {
    if (client) client->Stop();
  }
};

// Connects and subscribes `filters` (at every connection); a persistent
// session when the command gives a client id, else a throwaway one.
std::unique_ptr<Session> Connect(const FleetOptions& o, std::vector<std::string> filters,
                                 std::ostream& err) {
  fl::MqttSettings s;
  try {
    fl::ParseMqttUrl(o.broker, s);
  } catch (const TavirelError& e) {
    throw UsageError(e.what());
  }
  s.username = o.username;
  s.password_file = o.password_file;
  s.ca_file = o.ca_file;
  s.cert_file = o.cert_file;
  s.key_file = o.key_file;
  s.client_id = o.client_id.empty() ? "tavirel-fleet-" + std::to_string(::getpid()) : o.client_id;
  s.session_expiry = o.client_id.empty() ? 0s : std::chrono::seconds(7 * 24 * 3600);
  auto session = std::make_unique<Session>();
  session->client = fl::MakeMosquittoClient(s);
  fl::MqttHandlers h;
  Session* raw = session.get();
  h.connected = [raw, filters](bool) {
    for (const auto& f : filters) raw->client->Subscribe(f);
    raw->inbox.Connected();
  };
  h.disconnected = [&err](const std::string& reason) {
    err << "tavirel: broker: " << TerminalSafe(reason) << std::endl;
  };
  h.message = [raw](const fl::MqttMessage& m) { raw->inbox.Put(m); };
  session->client->Start(std::move(h));
  if (!session->inbox.WaitConnected(30s)) {
    throw TavirelError("cannot reach the broker at " + o.broker + " within 30 s");
  }
  return session;
}

std::string Shared(const FleetOptions& o, const std::string& filter) {
  return o.share.empty() ? filter : "$share/" + o.share + "/" + filter;
}

std::string ReadAll(const std::string& file, std::istream& in) {
  std::ostringstream text;
  if (file == "-") {
    text << in.rdbuf();
  } else {
    std::ifstream f(file, std::ios::binary);
    if (!f) throw UsageError("cannot read " + file);
    text << f.rdbuf();
  }
  return text.str();
}

int RunSend(const FleetOptions& o, Streams& streams) {
  const auto slash = o.target.find('/');
  const std::string store = o.target.substr(0, slash);
  const std::string reg = slash == std::string::npos ? "" : o.target.substr(slash + 1);
  if (!fl::IsTopicName(store) || !fl::IsTopicName(reg)) {
    throw UsageError("give the target as STORE/REGISTER, not \"" + o.target + "\"");
  }
  Json doc = Json::parse(ReadAll(o.file, streams.in), nullptr, false);
  if (!doc.is_object()) throw UsageError(o.file + " is not a JSON document");
  if (o.config && !doc.contains("key") && doc.contains("version")) {
    doc["key"] = "config-" + reg + "-v" + doc["version"].dump();
  }
  if (!doc.contains("key") || !doc["key"].is_string()) {
    throw UsageError("the document needs its key (the same key never prints twice)");
  }
  const std::string key = doc["key"];
  const auto kind = o.config ? fl::TopicKind::Config : fl::TopicKind::Documents;
  const std::string topic = fl::RegisterTopic(store, reg, kind);
  auto session = Connect(
      o,
      o.wait > 0 ? std::vector<std::string>{fl::RegisterTopic(store, reg, fl::TopicKind::Outcomes)}
                 : std::vector<std::string>{},
      streams.err);
  const std::string payload = doc.dump();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(o.wait);
  auto next_send = std::chrono::steady_clock::now();
  while (true) {
    if (std::chrono::steady_clock::now() >= next_send) {
      session->client->Publish(topic, payload, 1, false);
      next_send = std::chrono::steady_clock::now() + std::chrono::seconds(std::max(1, o.resend));
    }
    if (o.wait <= 0) break;
    for (const auto& m : session->inbox.Take(200ms)) {
      const Json j = Json::parse(m.payload, nullptr, false);
      if (!j.is_object() || j.value("key", "") != key) continue;
      const std::string state = j.value("state", "");
      streams.err << "tavirel: " << TerminalSafe(key) << ": " << TerminalSafe(state) << std::endl;
      const bool final = state == "closed" || state == "voided" || state == "failed" ||
                         state == "expired" || state == "rejected" || state == "needs-attention";
      if (final) {
        streams.out << j.dump() << std::endl;
        return state == "closed" ? kExitOk : kExitResult;
      }
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      streams.err << "tavirel: no outcome for " << TerminalSafe(key) << " within " << o.wait
                  << " s; send it again later: its key keeps it from printing twice" << std::endl;
      return kExitResult;
    }
  }
  // Without --wait: out once the broker has it (a short grace for the PUBACK).
  std::this_thread::sleep_for(300ms);
  return kExitOk;
}

// What the retained statuses say, by store and by STORE/REGISTER.
struct Statuses {
  std::map<std::string, Json> stores, registers;
  // A newer sequence wins: a late "offline" never hides a newer "online".
  bool Take(const fl::MqttMessage& m) {
    const Json j = Json::parse(m.payload, nullptr, false);
    if (!j.is_object()) return false;
    if (const auto t = fl::ParseRegisterTopic(m.topic); t && t->kind == fl::TopicKind::Status) {
      registers[t->store + "/" + t->reg] = j;
      return true;
    }
    const std::string store = j.value("store", "");
    if (store.empty() || m.topic != fl::StoreStatusTopic(store)) return false;
    auto& known = stores[store];
    if (known.is_object() && known.value("sequence", 0LL) > j.value("sequence", 0LL)) return false;
    known = j;
    return true;
  }
};

// A text field, "" when it is absent or null.
std::string Text(const Json& j, const char* field) {
  return j.contains(field) && j[field].is_string() ? j[field].get<std::string>() : "";
}

std::string StatusLine(const std::string& name, const Json& j) {
  std::string line = name + " " + Text(j, "state");
  if (j.contains("sequence")) line += " sequence=" + j["sequence"].dump();
  if (j.contains("queue_length")) line += " waiting=" + j["queue_length"].dump();
  if (j.contains("reason") && j["reason"].is_string()) line += " reason=" + j["reason"].dump();
  if (j.contains("attention") && j["attention"].is_object()) {
    line += " attention=" + j["attention"].value("key", "");
  }
  return TerminalSafe(line);
}

const std::vector<std::string> kStatusFilters{"tavirel/v1/+/status", "tavirel/v1/+/+/status"};

int RunWatch(const FleetOptions& o, Streams& streams) {
  auto session = Connect(o, kStatusFilters, streams.err);
  Statuses statuses;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(o.seconds);
  while (o.seconds == 0 || std::chrono::steady_clock::now() < end) {
    for (const auto& m : session->inbox.Take(500ms)) {
      if (!statuses.Take(m)) continue;
      const Json j = Json::parse(m.payload);
      const auto t = fl::ParseRegisterTopic(m.topic);
      streams.out << StatusLine(t ? t->store + "/" + t->reg : j.value("store", ""), j) << std::endl;
    }
  }
  return kExitOk;
}

int RunList(const FleetOptions& o, Streams& streams) {
  auto session = Connect(o, kStatusFilters, streams.err);
  Statuses statuses;
  // Retained statuses come at once: read until a second passes without one.
  const auto end =
      std::chrono::steady_clock::now() + std::chrono::seconds(o.seconds > 0 ? o.seconds : 10);
  while (std::chrono::steady_clock::now() < end) {
    const auto batch = session->inbox.Take(1000ms);
    if (batch.empty()) break;
    for (const auto& m : batch) statuses.Take(m);
  }
  const bool any = o.offline || o.attention || o.closure_due;
  int listed = 0;
  for (const auto& [store, j] : statuses.stores) {
    if ((!any || o.offline) && j.value("state", "") != "online") {
      streams.out << StatusLine(store, j) << std::endl;
      ++listed;
    }
  }
  for (const auto& [name, j] : statuses.registers) {
    const std::string store = name.substr(0, name.find('/'));
    const bool store_offline =
        statuses.stores.count(store) && statuses.stores[store].value("state", "") != "online";
    const bool offline = store_offline || !j.value("open", false);
    const bool attention = j.contains("attention") && j["attention"].is_object();
    const std::string reason = Text(j, "last_error") + " " + Text(j, "reason");
    const bool closure_due = reason.find("closure") != std::string::npos;
    if (!any || (o.offline && offline) || (o.attention && attention) ||
        (o.closure_due && closure_due)) {
      streams.out << StatusLine(name, j) << (store_offline ? " (store offline)" : "") << std::endl;
      ++listed;
    }
  }
  return kExitOk;
}

// Closures into a SQLite table, once per key.
class ClosureSink {
 public:
  explicit ClosureSink(const FleetOptions& o) {
    if (!o.sqlite.empty()) {
      if (sqlite3_open(o.sqlite.c_str(), &db_) != SQLITE_OK) {
        throw TavirelError("cannot open " + o.sqlite + ": " + sqlite3_errmsg(db_));
      }
      Exec(
          "CREATE TABLE IF NOT EXISTS closures(key TEXT PRIMARY KEY, store TEXT, register TEXT,"
          " fiscal_number INTEGER, date TEXT, at TEXT, outcome TEXT)");
    } else {
      // Keys already in the file are not written again.
      std::ifstream in(o.csv);
      for (std::string line; std::getline(in, line);) keys_.insert(line.substr(0, line.find(',')));
      csv_.open(o.csv, std::ios::app);
      if (!csv_) throw TavirelError("cannot write " + o.csv);
      if (keys_.empty()) csv_ << "key,store,register,fiscal_number,date,at\n";
      keys_.insert("key");
    }
  }
  ~ClosureSink() {
    if (db_) sqlite3_close(db_);
  }
  /// True when the closure was new.
  bool Add(const Json& j) {
    const Json& outcome = j.contains("outcome") ? j["outcome"] : Json::object();
    const std::string key = j.value("key", ""), store = j.value("store", ""),
                      reg = j.value("register", ""), at = j.value("at", "");
    const std::string number =
        outcome.contains("fiscal_number") ? outcome["fiscal_number"].dump() : "";
    const std::string date = Text(outcome, "date");
    if (db_) {
      sqlite3_stmt* st = nullptr;
      sqlite3_prepare_v2(db_, "INSERT OR IGNORE INTO closures VALUES(?,?,?,?,?,?,?)", -1, &st,
                         nullptr);
      const std::string texts[] = {key, store, reg, number, date, at, outcome.dump()};
      for (int i = 0; i < 7; ++i) {
        sqlite3_bind_text(st, i + 1, texts[i].c_str(), -1, SQLITE_TRANSIENT);
      }
      const int rc = sqlite3_step(st);
      sqlite3_finalize(st);
      if (rc != SQLITE_DONE) throw TavirelError(std::string("closures: ") + sqlite3_errmsg(db_));
      return sqlite3_changes(db_) > 0;
    }
    if (!keys_.insert(key).second) return false;
    const auto field = [](const std::string& v) {
      return v.find_first_of(",\"\n") == std::string::npos ? v : Json(v).dump();
    };
    csv_ << field(key) << ',' << field(store) << ',' << field(reg) << ',' << number << ','
         << field(date) << ',' << field(at) << std::endl;
    return true;
  }

 private:
  void Exec(const char* sql) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
      throw TavirelError(std::string("closures: ") + sqlite3_errmsg(db_));
    }
  }
  sqlite3* db_ = nullptr;
  std::ofstream csv_;
  std::set<std::string> keys_;
};

int RunClosures(const FleetOptions& o, Streams& streams) {
  if (o.sqlite.empty() == o.csv.empty())
    throw UsageError("closures needs one of --sqlite and --csv");
  ClosureSink sink(o);
  auto session = Connect(o, {Shared(o, "tavirel/v1/+/+/closures")}, streams.err);
  streams.err << "tavirel: collecting closures from " << TerminalSafe(o.broker) << std::endl;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(o.seconds);
  while (o.seconds == 0 || std::chrono::steady_clock::now() < end) {
    for (const auto& m : session->inbox.Take(500ms)) {
      const Json j = Json::parse(m.payload, nullptr, false);
      if (!j.is_object() || !j.contains("key")) continue;
      if (sink.Add(j)) {
        streams.out << TerminalSafe(j.value("store", "") + "/" + j.value("register", "") + " " +
                                    j.value("key", ""))
                    << std::endl;
      }
    }
  }
  return kExitOk;
}

int Guarded(int (*run)(const FleetOptions&, Streams&), const FleetOptions& o, Streams& streams) {
  try {
    return run(o, streams);
  } catch (const UsageError&) {
    throw;
  } catch (const TavirelError& e) {
    streams.err << "tavirel: " << TerminalSafe(e.what()) << std::endl;
    return kExitError;
  }
}

}  // namespace

void AddFleetCommand(CLI::App& app, Runner& run) {
  auto o = std::make_shared<FleetOptions>();
  CLI::App* fleet = app.add_subcommand("fleet", "The back office of stores on an MQTT broker");
  fleet->require_subcommand(1);
  fleet->add_option("--broker", o->broker, "mqtt://HOST:PORT or mqtts://HOST:PORT")
      ->type_name("URL");
  fleet->add_option("--username", o->username, "The broker's user name")->type_name("NAME");
  fleet->add_option("--password-file", o->password_file, "Its password's file")->type_name("FILE");
  fleet->add_option("--ca-file", o->ca_file, "mqtts: the broker's CA")->type_name("FILE");
  fleet->add_option("--cert-file", o->cert_file, "A client certificate")->type_name("FILE");
  fleet->add_option("--key-file", o->key_file, "Its key")->type_name("FILE");
  fleet
      ->add_option("--client-id", o->client_id,
                   "A persistent session under this name (messages wait for it while away)")
      ->type_name("ID");
  fleet->footer(kExamples);

  CLI::App* send = fleet->add_subcommand("send", "Send a document (or --config, a programming)");
  send->add_option("TARGET", o->target, "STORE/REGISTER")->required();
  send->add_option("FILE", o->file, "The document's JSON (- for standard input)");
  send->add_flag("--config", o->config, "A programming document, on the register's config topic");
  send->add_option("--wait", o->wait, "Wait up to this long for its outcome")->type_name("SECONDS");
  send->add_option("--resend", o->resend, "While waiting, send it again this often (default 10)")
      ->type_name("SECONDS");
  send->callback([o, &run] { run = [o](Streams& s) { return Guarded(RunSend, *o, s); }; });

  CLI::App* watch = fleet->add_subcommand("watch", "Print every store's and register's status");
  watch->add_option("--for", o->seconds, "Stop after this long (default: never)")
      ->type_name("SECONDS");
  watch->callback([o, &run] { run = [o](Streams& s) { return Guarded(RunWatch, *o, s); }; });

  CLI::App* list = fleet->add_subcommand("list", "List registers by their retained status");
  list->add_flag("--offline", o->offline, "Stores offline, registers not open");
  list->add_flag("--attention", o->attention, "Registers held by a document that needs attention");
  list->add_flag("--closure-due", o->closure_due, "Registers refusing documents until a closure");
  list->callback([o, &run] { run = [o](Streams& s) { return Guarded(RunList, *o, s); }; });

  CLI::App* closures = fleet->add_subcommand("closures", "Collect daily closures, once per key");
  closures->add_option("--sqlite", o->sqlite, "Into this SQLite file")->type_name("FILE");
  closures->add_option("--csv", o->csv, "Into this CSV file")->type_name("FILE");
  closures->add_option("--share", o->share, "Share them with other instances in this group")
      ->type_name("GROUP");
  closures->add_option("--for", o->seconds, "Stop after this long (default: never)")
      ->type_name("SECONDS");
  closures->callback([o, &run] { run = [o](Streams& s) { return Guarded(RunClosures, *o, s); }; });
}

}  // namespace tavirel::cli
