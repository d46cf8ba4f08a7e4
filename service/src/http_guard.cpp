// What every request passes before its route: the Host check against DNS
// rebinding, CORS for the allowed origins only, the bearer token on /v1; and
// the JSON error shape of every refusal, whoever made it.
#include <algorithm>
#include <charconv>

#include "api_context.hpp"
#include "json_depth.hpp"
#include "service_errors.hpp"
#include "token.hpp"

namespace tavirel::service {
namespace {

using httplib::Request;
using httplib::Response;
using Handled = httplib::Server::HandlerResponse;

constexpr const char* kAllowHeaders = "Authorization, Content-Type, Idempotency-Key, Last-Event-ID";

// "localhost:8765" -> "localhost", "[::1]:8765" -> "::1".
std::string HostName(std::string_view host) {
  if (host.starts_with("[")) {
    const auto end = host.find(']');
    return std::string(host.substr(1, end == std::string_view::npos ? end : end - 1));
  }
  return std::string(host.substr(0, host.find(':')));
}

bool HasBody(const Request& req) {
  return req.get_header_value("Transfer-Encoding") == "chunked" ||
         req.get_header_value<std::uint64_t>("Content-Length") > 0;
}

void Refuse(const Request& req, Response& res, int status, std::string_view message,
            std::string_view field) {
  SendJson(res, status, ErrorJson(message, field));
  if (HasBody(req)) res.set_header("Connection", "close");  // its body was never read
}

bool OriginAllowed(const ApiContext& api, const std::string& origin) {
  const auto& allowed = api.config.allow_origins;
  return std::find(allowed.begin(), allowed.end(), origin) != allowed.end();
}

// The console's own requests come from the origin it was served from.
bool SameOrigin(const Request& req, const std::string& origin) {
  return origin == "http://" + req.get_header_value("Host");
}

Handled Guard(ApiContext& api, const Request& req, Response& res) {
  const bool loopback = IsLoopbackHost(api.config.listen_host);
  if (loopback && !IsLoopbackHost(HostName(req.get_header_value("Host")))) {
    Refuse(req, res, 403, "this service answers requests for its loopback address only", "Host");
    return Handled::Handled;
  }
  const std::string origin = req.get_header_value("Origin");
  const bool cross_origin = !origin.empty() && !SameOrigin(req, origin);
  if (cross_origin) {
    if (!OriginAllowed(api, origin)) {
      Refuse(req, res, 403, "origin " + origin + " is not allowed (see --allow-origin)", "Origin");
      return Handled::Handled;
    }
    res.set_header("Access-Control-Allow-Origin", origin);
    res.set_header("Vary", "Origin");
    res.set_header("Access-Control-Expose-Headers", "Location, Retry-After");
    if (req.method == "OPTIONS") {
      res.set_header("Access-Control-Allow-Methods", "GET, POST, OPTIONS");
      res.set_header("Access-Control-Allow-Headers", kAllowHeaders);
      res.set_header("Access-Control-Max-Age", "600");
      res.status = 204;
      return Handled::Handled;
    }
  }
  if (req.path.starts_with("/v1/") || req.path == "/v1") {
    const std::string header = req.get_header_value("Authorization");
    constexpr std::string_view kScheme = "Bearer ";
    const bool bearer = header.size() > kScheme.size() && header.starts_with(kScheme);
    if (!bearer || !TokenMatches(api.token, std::string_view(header).substr(kScheme.size()))) {
      res.set_header("WWW-Authenticate", "Bearer realm=\"tavireld\"");
      Refuse(req, res, 401, bearer ? "the token is not this service's" : "a bearer token is needed",
             "Authorization");
      return Handled::Handled;
    }
  }
  return Handled::Unhandled;
}

std::string StatusText(const ApiContext& api, const Request& req, int status) {
  switch (status) {
    case 400: return "the request is malformed";
    case 404: return "no such resource: " + req.method + " " + req.path;
    case 405: return "method not allowed";
    case 413:
      return "the body is larger than " + std::to_string(api.config.limits.body_bytes) + " bytes";
    case 414: return "the request line is too long";
    case 431: return "the headers are too large";
    default: return "the request failed (" + std::to_string(status) + ")";
  }
}

void OnException(const Request&, Response& res, const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const ApiError& e) {
    Json body = ErrorJson(e.what(), e.field());
    for (const auto& p : e.problems()) {
      body["problems"].push_back(Json{{"field", p.where}, {"error", p.message}});
    }
    SendJson(res, e.status(), body);
    if (e.retry_after()) res.set_header("Retry-After", std::to_string(e.retry_after()->count()));
  } catch (const std::exception& e) {
    SendJson(res, 500, ErrorJson(std::string("internal error: ") + e.what(), ""));
  } catch (...) {
    SendJson(res, 500, ErrorJson("internal error", ""));
  }
}

}  // namespace

void SendJson(Response& res, int status, const Json& body) {
  res.status = status;
  res.set_header("Cache-Control", "no-store");
  res.set_content(body.dump() + "\n", "application/json");
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
  if (!req.has_param("wait")) return fallback;
  const std::string text = req.get_param_value("wait");
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

void InstallGuards(httplib::Server& server, ApiContext& api) {
  server.set_pre_routing_handler(
      [&api](const Request& req, Response& res) { return Guard(api, req, res); });
  server.set_exception_handler(OnException);
  server.set_error_handler(
      httplib::Server::HandlerWithResponse([&api](const Request& req, Response& res) {
        if (!res.body.empty()) return Handled::Unhandled;  // a route's own answer
        const int status = res.status;
        SendJson(res, status, ErrorJson(StatusText(api, req, status), ""));
        return Handled::Handled;
      }));
  server.set_logger(
      [&api](const Request&, const Response& res) { api.metrics.Response(res.status); });
}

}  // namespace tavirel::service
