#pragma once
// A real mosquitto on a free loopback port with its own configuration and
// persistence folder; stores (tavireld with registers in processes of their
// own, with state and paper files); and a back office on the broker that
// keeps every outcome and closure by key and state and sends each document
// again until it has a final outcome. For the fleet's end-to-end tests.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>

#include "fleet/mosquitto_client.hpp"
#include "service/program.hpp"
#include "service/temp_dir.hpp"

namespace tavirel::service::fleet::testing {

using namespace std::chrono_literals;
using Json = nlohmann::json;
using tavirel::service::testing::Program;
using tavirel::service::testing::TempDir;

#ifdef TAVIREL_MOSQUITTO
inline constexpr const char* kMosquitto = TAVIREL_MOSQUITTO;
#else
inline constexpr const char* kMosquitto = "";  // not installed: the tests skip
#endif
#ifdef TAVIREL_CLI_PATH
inline constexpr const char* kTavirelCli = TAVIREL_CLI_PATH;
#else
inline constexpr const char* kTavirelCli = "";
#endif

inline int FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof a;
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), size);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
  ::close(fd);
  return ntohs(a.sin_port);
}

inline bool Accepts(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::close(fd);
  return ok;
}

inline int Setting(const char* name, int fallback) {
  const char* text = std::getenv(name);
  return text && *text ? std::stoi(text) : fallback;
}

/// Waits (bounded) until `done`, looking every 20 ms.
template <typename Done>
bool Eventually(Done done, std::chrono::seconds limit = 120s) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

// A program whose standard error goes to a file (a pipe nobody reads fills up).
inline std::unique_ptr<Program> Logged(std::vector<std::string> args, const std::string& log) {
  std::vector<std::string> sh{"/bin/sh", "-c", "exec \"$0\" \"$@\" 2>>" + log};
  sh.insert(sh.end(), args.begin(), args.end());
  return std::make_unique<Program>(sh);
}

class Broker {
 public:
  /// `extra`: more configuration lines (authentication, ACL).
  Broker(const TempDir& dir, const std::string& extra = "allow_anonymous true\n")
      : port_(FreePort()), conf_(dir / "mosquitto.conf"), log_(dir / "mosquitto.log") {
    std::filesystem::create_directories(dir / "mosquitto");
    std::ofstream conf(conf_);
    conf << "listener " << port_ << " 127.0.0.1\n"
         << "persistence true\n"
         << "persistence_location " << (dir / "mosquitto") << "/\n"
         << "max_queued_messages 1000000\n"
         << "max_inflight_messages 100\n"
         << "log_dest file " << log_ << "\n"
         << extra;
    if (::getuid() == 0) conf << "user root\n";  // else it drops to `mosquitto`
  }
  void Start() {
    process_ = std::make_unique<Program>(std::vector<std::string>{kMosquitto, "-c", conf_});
    if (!Eventually([&] { return Accepts(port_); }, 30s)) {
      throw std::runtime_error("mosquitto did not start: " + process_->Errors());
    }
  }
  /// A clean restart: mosquitto writes its persistence file as it stops.
  void Restart() {
    process_->Signal(SIGTERM);
    process_->Wait(30s);
    Start();
  }
  [[nodiscard]] int port() const { return port_; }
  [[nodiscard]] std::string Url() const { return "mqtt://127.0.0.1:" + std::to_string(port_); }

 private:
  int port_;
  std::string conf_, log_;
  std::unique_ptr<Program> process_;
};

struct SimRegister {
  std::string name;
  std::string paper;
  std::unique_ptr<Program> process;
  std::string device;
};

inline std::vector<Json> PaperOf(const std::string& path) {
  std::vector<Json> records;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) records.push_back(Json::parse(line));
  }
  return records;
}

class Store {
 public:
  Store(const TempDir& dir, const std::string& name, int registers, const std::string& broker_url,
        int serial_base, const std::vector<std::string>& more = {},
        const std::vector<std::string>& sim_more = {})
      : name_(name), log_(dir / (name + ".log")) {
    args_ = {TAVIRELD_PATH,
             "--listen",
             "127.0.0.1:0",
             "--journal",
             dir / (name + ".db"),
             "--token-file",
             dir / (name + ".token"),
             "--mqtt",
             broker_url,
             "--store",
             name};
    args_.insert(args_.end(), more.begin(), more.end());
    for (int i = 1; i <= registers; ++i) {
      SimRegister reg;
      reg.name = "r" + std::to_string(i);
      reg.paper = dir / (name + "-" + reg.name + ".paper");
      std::vector<std::string> sim{
          kTavirelCli, "sim",     "--state",  dir / (name + "-" + reg.name + ".json"),
          "--paper",   reg.paper, "--serial", std::to_string(serial_base + i)};
      sim.insert(sim.end(), sim_more.begin(), sim_more.end());
      reg.process = std::make_unique<Program>(sim);
      const auto device = reg.process->ReadLine(20s);
      if (!device || !device->starts_with("DEVICE /dev/")) {
        throw std::runtime_error("tavirel sim did not start: " + reg.process->Errors());
      }
      reg.device = device->substr(7);
      args_.insert(args_.end(), {"--register", reg.name + "=" + reg.device});
      registers_.push_back(std::move(reg));
    }
  }
  void Start() {
    daemon_ = Logged(args_, log_);
    const auto line = daemon_->ReadLine(30s);
    if (!line || line->find("serving") == std::string::npos) {
      throw std::runtime_error("tavireld did not start; see " + log_);
    }
  }
  void Kill() {
    daemon_->Signal(SIGKILL);
    daemon_->Wait(30s);
  }
  std::optional<int> Stop() {
    daemon_->Signal(SIGTERM);
    return daemon_->Wait(60s);
  }
  [[nodiscard]] const std::string& name() const { return name_; }
  [[nodiscard]] const std::vector<SimRegister>& registers() const { return registers_; }

 private:
  std::string name_, log_;
  std::vector<std::string> args_;
  std::vector<SimRegister> registers_;
  std::unique_ptr<Program> daemon_;
};

// Ended for good. "failed" is not: nothing fiscal happened, and the same
// key sent again runs again (a run cut short by a kill may end so).
inline bool IsFinal(const std::string& state) {
  return state == "closed" || state == "voided" || state == "expired" || state == "rejected";
}

/// The back office: outcomes and closures by key, documents sent again
/// until they end for good (a failed one too, as the journal allows).
class BackOffice {
 public:
  explicit BackOffice(int port, const std::string& id = "backoffice",
                      const std::string& username = "", const std::string& password_file = "",
                      std::vector<std::string> filters = {"tavirel/v1/+/+/outcomes",
                                                          "tavirel/v1/+/+/closures"}) {
    MqttSettings s;
    s.host = "127.0.0.1";
    s.port = port;
    s.client_id = id;
    s.username = username;
    s.password_file = password_file;
    s.session_expiry = std::chrono::seconds(3600);
    client_ = MakeMosquittoClient(s);
    MqttHandlers h;
    h.connected = [this, filters](bool) {
      for (const auto& f : filters) client_->Subscribe(f);
      std::lock_guard lock(mutex_);
      connected_ = true;
    };
    h.disconnected = [this](const std::string&) {
      std::lock_guard lock(mutex_);
      connected_ = false;
    };
    h.message = [this](const MqttMessage& m) { Take(m); };
    client_->Start(std::move(h));
    Eventually([&] { return Connected(); }, 30s);
  }
  ~BackOffice() { client_->Stop(); }

  bool Connected() {
    std::lock_guard lock(mutex_);
    return connected_;
  }
  /// Sends (QoS 1); remembered, to be sent again by Resend.
  void Send(const std::string& topic, const std::string& key, const std::string& payload) {
    {
      std::lock_guard lock(mutex_);
      sent_[key] = {topic, payload};
    }
    Eventually([&] { return client_->Publish(topic, payload, 1, false).has_value(); }, 60s);
  }
  /// Sends again every document without a final outcome.
  int Resend() {
    std::vector<std::pair<std::string, std::string>> again;
    {
      std::lock_guard lock(mutex_);
      for (const auto& [key, what] : sent_) {
        if (!FinalLocked(key)) again.push_back(what);
      }
    }
    for (const auto& [topic, payload] : again) client_->Publish(topic, payload, 1, false);
    return static_cast<int>(again.size());
  }
  std::optional<std::string> Final(const std::string& key) {
    std::lock_guard lock(mutex_);
    return FinalLocked(key);
  }
  std::size_t FinalCount() {
    std::lock_guard lock(mutex_);
    std::size_t n = 0;
    for (const auto& [key, what] : sent_) n += FinalLocked(key) ? 1 : 0;
    return n;
  }
  /// Waits for every document sent to end, sending again every `every`.
  bool AllEnded(std::chrono::seconds limit, std::chrono::seconds every = 5s) {
    auto next = std::chrono::steady_clock::now() + every;
    return Eventually(
        [&] {
          if (std::chrono::steady_clock::now() > next) {
            resends_ += Resend();
            next = std::chrono::steady_clock::now() + every;
          }
          std::lock_guard lock(mutex_);
          for (const auto& [key, what] : sent_) {
            if (!FinalLocked(key)) return false;
          }
          return true;
        },
        limit);
  }
  /// Outcome messages for the key (duplicates included).
  std::vector<Json> Messages(const std::string& key) {
    std::lock_guard lock(mutex_);
    return messages_[key];
  }
  std::map<std::string, std::vector<Json>> Closures() {
    std::lock_guard lock(mutex_);
    return closures_;
  }
  std::vector<std::string> Topics() {
    std::lock_guard lock(mutex_);
    return topics_;
  }
  [[nodiscard]] int resends() const { return resends_; }
  /// Documents reported failed at least once, and why the first time.
  std::map<std::string, std::string> Failed() {
    std::lock_guard lock(mutex_);
    std::map<std::string, std::string> failed;
    for (const auto& [key, list] : messages_) {
      for (const Json& j : list) {
        if (j.value("state", "") != "failed" || failed.count(key)) continue;
        const Json& o = j.contains("outcome") ? j["outcome"] : Json::object();
        failed[key] = o.contains("failed_step") && o["failed_step"].is_object()
                          ? o["failed_step"].value("reason", "")
                          : "";
      }
    }
    return failed;
  }
  /// When the store's journal made `key`'s `state`, in milliseconds of its
  /// day (from the message's "at", "YYYY-MM-DDTHH:MM:SS.mmmZ").
  std::optional<double> MadeMs(const std::string& key, const std::string& state) {
    std::lock_guard lock(mutex_);
    const auto it = made_.find(key + " " + state);
    if (it == made_.end() || it->second.size() < 23) return std::nullopt;
    const std::string& t = it->second;
    return std::stod(t.substr(11, 2)) * 3.6e6 + std::stod(t.substr(14, 2)) * 6e4 +
           std::stod(t.substr(17, 6)) * 1e3;
  }
  /// When the first message of `key` in `state` arrived.
  std::optional<std::chrono::steady_clock::time_point> Arrived(const std::string& key,
                                                               const std::string& state) {
    std::lock_guard lock(mutex_);
    const auto it = arrived_.find(key + " " + state);
    if (it == arrived_.end()) return std::nullopt;
    return it->second;
  }
  MqttClient& client() { return *client_; }

 private:
  void Take(const MqttMessage& m) {
    const Json j = Json::parse(m.payload, nullptr, false);
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard lock(mutex_);
    if (j.is_object() && j.contains("key") && j.contains("state")) {
      const std::string id = j["key"].get<std::string>() + " " + j["state"].get<std::string>();
      arrived_.emplace(id, now);
      if (j.contains("at")) made_.emplace(id, j["at"].get<std::string>());
    }
    topics_.push_back(m.topic);
    if (!j.is_object() || !j.contains("key")) return;
    const std::string key = j["key"];
    if (m.topic.ends_with("/closures")) {
      closures_[key].push_back(j);
    } else {
      messages_[key].push_back(j);
    }
  }
  std::optional<std::string> FinalLocked(const std::string& key) {
    const auto it = messages_.find(key);
    if (it == messages_.end()) return std::nullopt;
    for (const Json& j : it->second) {
      const std::string state = j.value("state", "");
      if (IsFinal(state)) return state;
    }
    return std::nullopt;
  }

  std::unique_ptr<MqttClient> client_;
  std::mutex mutex_;
  bool connected_ = false;
  std::map<std::string, std::pair<std::string, std::string>> sent_;
  std::map<std::string, std::vector<Json>> messages_, closures_;
  std::vector<std::string> topics_;
  std::map<std::string, std::chrono::steady_clock::time_point> arrived_;  // first, by key and state
  std::map<std::string, std::string> made_;  // the state's "at", by key and state
  int resends_ = 0;
};

}  // namespace tavirel::service::fleet::testing
