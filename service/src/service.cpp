#include "service.hpp"

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <optional>
#include <thread>

#include "api_context.hpp"
#include "control_driver.hpp"
#include "fleet/fleet_link.hpp"
#include "fleet/mosquitto_client.hpp"
#include "http/server.hpp"
#include "service_errors.hpp"
#include "tavirel/documents/errors.hpp"
#include "tavirel/documents/outbox.hpp"
#include "tavirel/support/user_folders.hpp"
#include "token.hpp"
#include "token_file.hpp"
#include "trace_file.hpp"

namespace tavirel::service {
namespace {

// Built-in registers get serials of their own, so the journal never takes
// two of them for one register.
std::vector<std::int32_t> BuiltInSerials(const std::vector<RegisterConfig>& registers) {
  std::vector<std::int32_t> serials;
  for (const auto& reg : registers) {
    std::int32_t serial = BuiltInSerial(reg.name);
    while (std::find(serials.begin(), serials.end(), serial) != serials.end()) {
      serial = serial == 999999 ? 100000 : serial + 1;
    }
    serials.push_back(serial);
  }
  return serials;
}

}  // namespace

struct Service::Impl {
  ServiceConfig config;
  ServiceParts parts;
  std::unique_ptr<Log> log;
  std::unique_ptr<documents::Journal> journal;
  std::unique_ptr<TraceFile> trace;  // --trace; outlives the workers' drivers
  std::string token_path;
  bool token_made = false;
  EventHub events;
  Metrics metrics;
  Completions completions;
  SerialClaims serial_claims;
  std::vector<std::unique_ptr<RegisterWorker>> workers;
  std::unique_ptr<ApiContext> api;
  http::Router router;
  std::unique_ptr<http::Server> server;
  std::unique_ptr<fleet::FleetLink> fleet_link;
  int port = 0;
  std::mutex stop_mutex;
  bool stopped = false;

  void OpenJournal() {
    const std::string path =
        config.journal.empty() ? documents::DefaultJournalPath() : config.journal;
    support::MakePrivateFolders<documents::JournalError>(path, "the journal");
    documents::JournalOptions options;
    options.empty_is_new = config.new_journal;
    options.now_ms = parts.wall_ms;
    journal = std::make_unique<documents::Journal>(path, options);
    log->Info("journal-opened", {{"journal", path}});
  }

  std::string ReadToken() {
    token_path = config.token_file.empty() ? DefaultTokenPath() : config.token_file;
    token_made = !token_file::Exists(token_path);
    return LoadOrCreateToken(token_path);
  }

  void MakeWorkers() {
    const auto serials = BuiltInSerials(config.registers);
    for (std::size_t i = 0; i < config.registers.size(); ++i) {
      const auto& reg = config.registers[i];
      std::unique_ptr<RegisterDriver> driver;
      if (parts.make_driver) {
        driver = parts.make_driver(reg, *journal);
      } else {
        // Every request on the line is counted once, when it ends.
        auto count = [this](const documents::StepRecord& step) {
          metrics.Result(documents::StepResultName(step));
        };
        // One register's trace reads as tavirel's; several are told apart.
        TraceHook hook;
        if (trace) hook = trace->HookFor(config.registers.size() > 1 ? reg.name : "");
        driver = std::make_unique<ControlDriver>(reg, *journal, serial_claims, serials[i], count,
                                                 std::move(hook));
      }
      workers.push_back(std::make_unique<RegisterWorker>(
          reg, std::move(driver),
          WorkerContext{*journal, events, metrics, completions, *log, parts.clock, parts.wall,
                        config.limits.queue_length}));
    }
  }

  void ConfigureServer() {
    const Limits& limits = config.limits;
    http::HttpLimits http;
    http.body_bytes = limits.body_bytes;
    http.io_time = limits.io_timeout;
    http.request_time = limits.request_timeout;
    http.keep_alive = limits.keep_alive;
    http.handlers = limits.connections;
    http.waiting_connections = limits.waiting_connections;
    InstallRegisterRoutes(router, *api);
    InstallDocumentRoutes(router, *api);
    InstallDocumentActionRoutes(router, *api);
    InstallRegisterActionRoutes(router, *api);
    InstallCallRoutes(router, *api);
    InstallEventRoutes(router, *api);
    InstallConsoleRoutes(router);
    server = std::make_unique<http::Server>(http, router, ApiHooks(*api));
  }

  // The store on its broker; without one, the outbox is off (and emptied),
  // so a journal that once served a fleet does not grow.
  void StartFleet() {
    if (config.fleet.url.empty()) {
      documents::Outbox(journal->Path()).Disable();
      return;
    }
    auto client = parts.make_mqtt_client ? parts.make_mqtt_client(config.fleet.mqtt)
                                         : fleet::MakeMosquittoClient(config.fleet.mqtt);
    auto now_ms = parts.wall_ms ? parts.wall_ms : [] {
      return std::chrono::duration_cast<std::chrono::milliseconds>(
                 std::chrono::system_clock::now().time_since_epoch())
          .count();
    };
    fleet_link = std::make_unique<fleet::FleetLink>(
        fleet::FleetContext{config.fleet.store, journal->Path(), workers, events, *log,
                            std::move(now_ms)},
        std::move(client));
    fleet_link->Start();
    log->Info("fleet-started", {{"broker", config.fleet.url}, {"store", config.fleet.store}});
  }

  void Bind() {
    try {
      port = server->Bind(config.listen_host, config.listen_port);
    } catch (const std::system_error& e) {
      throw ConfigError("cannot listen on " + config.listen_host + ":" +
                        std::to_string(config.listen_port) + " (" + e.what() + ")");
    }
  }
};

Service::Service(ServiceConfig config, ServiceParts parts) : impl_(std::make_unique<Impl>()) {
  impl_->config = std::move(config);
  impl_->parts = std::move(parts);
  impl_->log = impl_->parts.log ? std::make_unique<Log>(impl_->parts.log, LogLevel::Info)
                                : std::make_unique<Log>(LogLevel::Info);
  Complete(impl_->config);
}

Log& Service::Logger() { return *impl_->log; }

Service::~Service() { Stop(); }

void Service::Start() {
  Impl& s = *impl_;
  s.OpenJournal();
  const std::string token = s.ReadToken();
  if (!s.config.trace_file.empty()) {
    s.trace = std::make_unique<TraceFile>(s.config.trace_file, std::chrono::steady_clock::now());
  }
  s.MakeWorkers();
  const std::string read_token =
      s.config.read_token_file.empty() ? "" : LoadOrCreateToken(s.config.read_token_file);
  if (!read_token.empty() && read_token == token) {
    throw ConfigError("the read-only token is the full token: give it a file of its own");
  }
  s.api =
      std::unique_ptr<ApiContext>(new ApiContext{s.config, token, read_token, *s.journal, s.workers,
                                                 s.events, s.metrics, s.completions, *s.log});
  s.ConfigureServer();
  s.Bind();
  for (auto& worker : s.workers) worker->Start();
  s.StartFleet();
}

int Service::Port() const { return impl_->port; }

std::string Service::Url() const {
  const std::string& host = impl_->config.listen_host;
  const bool v6 = host.find(':') != std::string::npos;
  return "http://" + (v6 ? "[" + host + "]" : host) + ":" + std::to_string(impl_->port);
}

const std::string& Service::TokenPath() const { return impl_->token_path; }
bool Service::TokenMade() const { return impl_->token_made; }
const std::string& Service::Token() const { return impl_->api->token; }
std::vector<std::pair<std::string, std::string>> Service::Routes() const {
  return impl_->router.Routes();
}

void Service::Serve() {
  if (impl_->server) impl_->server->Serve();
}

void Service::Stop() {
  Impl& s = *impl_;
  {
    std::lock_guard lock(s.stop_mutex);
    if (s.stopped) return;
    s.stopped = true;
  }
  if (s.api) s.api->stopping = true;
  if (s.fleet_link) s.fleet_link->Stop();  // nothing new from the broker
  if (s.server) s.server->Stop();          // no new connections; those in progress end
  s.events.Close();
  s.completions.Stop();
  for (auto& worker : s.workers) worker->RequestStop();
  // The document in progress may finish; after the grace its wait is cancelled.
  std::mutex mutex;
  std::condition_variable joined;
  bool done = false;
  std::thread watchdog([&] {
    std::unique_lock lock(mutex);
    if (!joined.wait_for(lock, s.config.limits.stop_grace, [&] { return done; })) Cancel();
  });
  for (auto& worker : s.workers) worker->Join();
  {
    std::lock_guard lock(mutex);
    done = true;
  }
  joined.notify_all();
  watchdog.join();
}

void Service::Cancel() {
  for (auto& worker : impl_->workers) worker->CancelWait();
}

}  // namespace tavirel::service
