// What every request passes before its body is read: the Host check against
// DNS rebinding, CORS for the allowed origins only, the bearer token on /v1;
// and the JSON error shape of every refusal, whoever made it.
#include <algorithm>
#include <charconv>

#include "api_context.hpp"
#include "api_errors.hpp"
#include "json_depth.hpp"
#include "service_errors.hpp"
#include "token.hpp"

namespace tavirel::service {
namespace {

using http::Request;
using http::Response;

constexpr std::string_view kOpenApiPath = "/v1/openapi.json";
constexpr const char* kAllowHeaders = "Authorization, Content-Type, Idempotency-Key, Last-Event-ID";

// "localhost:8765" -> "localhost", "[::1]:8765" -> "::1".
std::string HostName(std::string_view host) {
  if (host.starts_with("[")) {
    const auto end = host.find(']');
    return std::string(host.substr(1, end == std::string_view::npos ? end : end - 1));
  }
  return std::string(host.substr(0, host.find(':')));
}

// The token of "Bearer TOKEN", the scheme in any case; nothing for another scheme.
std::optional<std::string_view> BearerToken(std::string_view header) {
  const auto blank = header.find(' ');
  if (blank == std::string_view::npos || !http::SameName(header.substr(0, blank), "Bearer")) {
    return std::nullopt;
  }
  std::string_view token = header.substr(blank);
  while (!token.empty() && token.front() == ' ') token.remove_prefix(1);
  if (token.empty()) return std::nullopt;
  return token;
}

// A refusal of the gate, written in the log with who asked for what, from
// where it says it comes (never the token).
bool Refuse(ApiContext& api, const Request& req, Response& res, int status, std::string_view reason,
            const std::string& message, std::string_view field) {
  api.log.Warning("request-refused", {{"status", std::to_string(status)},
                                      {"reason", reason},
                                      {"remote", req.remote_address},
                                      {"method", req.method},
                                      {"path", req.path},
                                      {"host", req.Header("Host")},
                                      {"origin", req.Header("Origin")}});
  SendJson(res, status, ErrorJson(message, field));
  return true;
}

bool OriginAllowed(const ApiContext& api, const std::string& origin) {
  const auto& allowed = api.config.allow_origins;
  return std::find(allowed.begin(), allowed.end(), origin) != allowed.end();
}

// The console's own requests come from the origin it was served from.
bool SameOrigin(const Request& req, const std::string& origin) {
  return origin == "http://" + req.Header("Host");
}

bool Gate(ApiContext& api, const Request& req, Response& res) {
  const bool loopback = IsLoopbackHost(api.config.listen_host);
  if (loopback && !IsLoopbackHost(HostName(req.Header("Host")))) {
    return Refuse(api, req, res, 403, "host",
                  "this service answers requests for its loopback address only", "Host");
  }
  const std::string origin = req.Header("Origin");
  if (!origin.empty() && !SameOrigin(req, origin)) {
    if (!OriginAllowed(api, origin)) {
      return Refuse(api, req, res, 403, "origin",
                    "origin " + origin + " is not allowed (see --allow-origin)", "Origin");
    }
    res.SetHeader("Access-Control-Allow-Origin", origin);
    res.SetHeader("Vary", "Origin");
    res.SetHeader("Access-Control-Expose-Headers", "Location, Retry-After");
    if (req.method == "OPTIONS") {
      res.SetHeader("Access-Control-Allow-Methods", "GET, POST, DELETE, OPTIONS");
      res.SetHeader("Access-Control-Allow-Headers", kAllowHeaders);
      res.SetHeader("Access-Control-Max-Age", "600");
      res.status = 204;
      return true;
    }
  }
  // The API's description is as public as its docs.
  if ((req.path.starts_with("/v1/") || req.path == "/v1") && req.path != kOpenApiPath) {
    const std::string authorization = req.Header("Authorization");
    const auto token = BearerToken(authorization);
    // Both are compared, so the time taken does not tell which one it was.
    const bool full = token && TokenMatches(api.token, *token);
    const bool read = token && !api.read_token.empty() && TokenMatches(api.read_token, *token);
    if (read && !full && req.method != "GET" && req.method != "HEAD") {
      return Refuse(api, req, res, 403, "read-only-token", "this token may only read",
                    "Authorization");
    }
    if (!full && !read) {
      res.SetHeader("WWW-Authenticate", "Bearer realm=\"tavireld\"");
      return Refuse(api, req, res, 401, token ? "token" : "no-token",
                    token ? "the token is not this service's" : "a bearer token is needed",
                    "Authorization");
    }
  }
  return false;
}

// The server's own refusals: those of a client's request (its size, its
// time, its form) are worth a line in the log; a path or method the routes
// do not know is not.
void RefuseRequest(ApiContext& api, const Request& req, Response& res,
                   const http::Refusal& refusal) {
  if (refusal.status != 404 && refusal.status != 405) {
    api.log.Warning("request-refused", {{"status", std::to_string(refusal.status)},
                                        {"reason", refusal.message},
                                        {"remote", req.remote_address},
                                        {"method", req.method},
                                        {"path", req.path}});
  }
  SendJson(res, refusal.status, ErrorJson(refusal.message, ""));
}

void Failed(ApiContext& api, const Request& req, Response& res, const std::exception_ptr& error) {
  const ErrorAnswer answer = AnswerFor(error);
  if (answer.status >= 500 && answer.status != 503) {
    api.log.Error(
        "request-failed",
        {{"path", req.path}, {"status", std::to_string(answer.status)}, {"error", answer.message}});
  }
  SendError(res, answer);
}

}  // namespace

void SendJson(Response& res, int status, const Json& body) {
  res.status = status;
  res.SetHeader("Cache-Control", "no-store");
  res.SetContent(body.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n",
                 "application/json");
}

std::string ActorOf(const Json& body) {
  if (body.is_object()) {
    const auto by = body.find("by");
    if (by != body.end() && by->is_string() && !by->get<std::string>().empty()) {
      return by->get<std::string>();
    }
  }
  return "api";
}

RegisterWorker* ApiContext::FindWorker(std::string_view name) const {
  for (const auto& worker : workers) {
    if (worker->Config().name == name) return worker.get();
  }
  return nullptr;
}

RegisterWorker& ApiContext::Worker(std::string_view name) const {
  RegisterWorker* worker = FindWorker(name);
  if (worker == nullptr)
    throw ApiError(404, "no register named \"" + std::string(name) + "\"", "register");
  return *worker;
}

std::chrono::seconds WaitParameter(const Request& req, std::chrono::seconds fallback,
                                   std::chrono::seconds limit) {
  if (!req.HasParam("wait")) return fallback;
  const std::string text = req.Param("wait");
  long long value = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0 ||
      value > limit.count()) {
    throw ApiError(400, "wait must be whole seconds from 0 to " + std::to_string(limit.count()),
                   "wait");
  }
  return std::chrono::seconds(value);
}

Json ParseBody(const Request& req, const Limits& limits) {
  if (JsonDepth(req.body) > limits.json_depth) {
    throw ApiError(
        400, "the JSON is nested deeper than " + std::to_string(limits.json_depth) + " levels", "");
  }
  Json body = Json::parse(req.body, nullptr, false);
  if (body.is_discarded()) throw ApiError(400, "the body is not JSON", "");
  return body;
}

http::ServerHooks ApiHooks(ApiContext& api) {
  http::ServerHooks hooks;
  hooks.gate = [&api](const Request& req, Response& res) { return Gate(api, req, res); };
  hooks.refuse = [&api](const Request& req, Response& res, const http::Refusal& refusal) {
    RefuseRequest(api, req, res, refusal);
  };
  hooks.failed = [&api](const Request& req, Response& res, const std::exception_ptr& error) {
    Failed(api, req, res, error);
  };
  hooks.answered = [&api](const Request&, const Response& res) {
    api.metrics.Response(res.status);
  };
  return hooks;
}

}  // namespace tavirel::service
