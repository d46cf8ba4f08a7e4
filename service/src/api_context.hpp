#pragma once
// What the HTTP routes share: the configuration, the token, the journal, the
// registers' workers, the events, the metrics, the waiters and the log.
// Owned by the Service, which outlives the server and its routes.
#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "api_json.hpp"
#include "completions.hpp"
#include "config.hpp"
#include "event_hub.hpp"
#include "http/router.hpp"
#include "http/server.hpp"
#include "log.hpp"
#include "metrics.hpp"
#include "register_worker.hpp"
#include "tavirel/documents/journal.hpp"

namespace tavirel::service {

struct ApiContext {
  const ServiceConfig& config;
  std::string token;
  std::string read_token;  // "" : none; may GET only
  documents::Journal& journal;
  std::vector<std::unique_ptr<RegisterWorker>>& workers;  // in the configuration's order
  EventHub& events;
  Metrics& metrics;
  Completions& completions;
  Log& log;
  std::atomic<bool> stopping{false};
  std::atomic<std::size_t> event_streams{0};

  /// The worker of the register named in the path; ApiError 404 when none.
  RegisterWorker& Worker(std::string_view name) const;
  /// The worker of that name, or nullptr.
  RegisterWorker* FindWorker(std::string_view name) const;
};

/// Writes `body` as the JSON answer with `status`.
void SendJson(http::Response& res, int status, const Json& body);

/// What the server asks of the service: the gate before a body is read
/// (Host check, CORS, the bearer token on /v1), the error shape of every
/// refusal, the answer to a route that threw, and the count of answers.
http::ServerHooks ApiHooks(ApiContext& api);
/// GET /v1/registers, /v1/registers/{name}, /healthz, /metrics.
void InstallRegisterRoutes(http::Router& router, ApiContext& api);
/// POST /v1/registers/{name}/documents, GET /v1/documents/{key}.
void InstallDocumentRoutes(http::Router& router, ApiContext& api);
/// The register's operator actions: paper-refilled, totals, sim.
void InstallRegisterActionRoutes(http::Router& router, ApiContext& api);
/// POST /v1/documents/{key}/settle, DELETE /v1/documents/{key},
/// GET /v1/documents, GET /v1/documents/{key}/paper.
void InstallDocumentActionRoutes(http::Router& router, ApiContext& api);
/// Who acts: the body's "by" when given, else "api".
std::string ActorOf(const Json& body);
/// POST /v1/registers/{name}/calls.
void InstallCallRoutes(http::Router& router, ApiContext& api);
/// GET /v1/events.
void InstallEventRoutes(http::Router& router, ApiContext& api);
/// GET /, the console's files and /v1/openapi.json.
void InstallConsoleRoutes(http::Router& router);

/// ?wait=S: whole seconds from 0 to `limit`, `fallback` when absent.
/// ApiError 400 naming "wait" otherwise.
std::chrono::seconds WaitParameter(const http::Request& req, std::chrono::seconds fallback,
                                   std::chrono::seconds limit);

/// The body as JSON after the depth check; ApiError 400 when it is not JSON.
Json ParseBody(const http::Request& req, const Limits& limits);

}  // namespace tavirel::service
