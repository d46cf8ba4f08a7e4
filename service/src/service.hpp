#pragma once
// tavireld put together: the journal, the token, one worker per register, the
// events, the metrics and the HTTP server with its routes.
//
// Thread safety: Start, then Serve on one thread; Stop and Cancel from any
// other (a signal-waiting thread).
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config.hpp"
#include "fleet/mqtt_client.hpp"
#include "log.hpp"
#include "register_driver.hpp"
#include "tavirel/clock.hpp"
#include "tavirel/documents/journal.hpp"

namespace tavirel::service {

/// What tests may put in place of the program's own parts.
struct ServiceParts {
  /// Makes a register's driver (a ControlDriver on the journal when empty).
  std::function<std::unique_ptr<RegisterDriver>(const RegisterConfig&, documents::Journal&)>
      make_driver;
  /// The workers' clock (the steady clock when null).
  std::shared_ptr<Clock> clock;
  /// The wall clock of the hours since the last closure (the system's when empty).
  std::function<std::chrono::system_clock::time_point()> wall;
  /// Where the log's lines go (standard error when null).
  Log::Sink log;
  /// Makes the broker's client (libmosquitto's when empty).
  std::function<std::unique_ptr<fleet::MqttClient>(const fleet::MqttSettings&)> make_mqtt_client;
  /// Wall-clock milliseconds since 1970 (the system clock when empty).
  std::function<std::int64_t()> wall_ms;
};

class Service {
 public:
  explicit Service(ServiceConfig config, ServiceParts parts = {});
  ~Service();
  Service(const Service&) = delete;
  Service& operator=(const Service&) = delete;

  /// Opens the journal, reads or makes the token, starts the workers and
  /// binds the listening socket. Throws TavirelError naming what failed
  /// (JournalError, TokenError, ConfigError for an address it cannot bind).
  void Start();
  /// The service's log (for the program's own lines).
  [[nodiscard]] Log& Logger();
  /// The port it listens on (the one the OS chose for port 0).
  [[nodiscard]] int Port() const;
  /// "http://HOST:PORT".
  [[nodiscard]] std::string Url() const;
  /// The token's file, and whether Start made it.
  [[nodiscard]] const std::string& TokenPath() const;
  [[nodiscard]] bool TokenMade() const;
  /// The token (for tests; the program never prints it).
  [[nodiscard]] const std::string& Token() const;
  /// Each route's method and path pattern (a regular expression), once
  /// started: for checking the API's description against what is served.
  [[nodiscard]] std::vector<std::pair<std::string, std::string>> Routes() const;

  /// Serves until Stop (at once when Stop came first).
  void Serve();
  /// Stops accepting, answers waiting requests (202 for documents still
  /// queued), lets each register finish the document in progress (cancelling
  /// its wait after the stop grace), and returns once every worker ended.
  /// Queued documents stay in the journal for the next start.
  void Stop();
  /// Ends the register waits in progress now (a second stop signal).
  void Cancel();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tavirel::service
