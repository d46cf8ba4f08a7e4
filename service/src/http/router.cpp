#include "router.hpp"

namespace tavirel::service::http {

void Router::Get(const std::string& pattern, Handler handler) {
  Add("GET", pattern, std::move(handler));
}

void Router::Post(const std::string& pattern, Handler handler) {
  Add("POST", pattern, std::move(handler));
}

void Router::Add(std::string method, const std::string& pattern, Handler handler) {
  routes_.push_back({std::move(method), pattern, std::regex(pattern), std::move(handler)});
}

std::optional<Refusal> Router::Route(Request& request, Response& response) const {
  std::string_view method = request.method;
  if (method == "HEAD") method = "GET";
  std::string allow;
  for (const auto& route : routes_) {
    std::smatch match;
    if (!std::regex_match(request.path, match, route.pattern)) continue;
    if (route.method != method) {
      if (allow.find(route.method) == std::string::npos) {
        allow += (allow.empty() ? "" : ", ") + route.method;
      }
      continue;
    }
    request.matches.assign(match.begin(), match.end());
    route.handler(request, response);
    return std::nullopt;
  }
  if (allow.empty())
    return Refusal{404, "no such resource: " + request.method + " " + request.path};
  response.SetHeader("Allow", allow);
  return Refusal{405, request.method + " is not allowed here (" + allow + ")"};
}

std::vector<std::pair<std::string, std::string>> Router::Routes() const {
  std::vector<std::pair<std::string, std::string>> list;
  for (const auto& route : routes_) list.emplace_back(route.method, route.text);
  return list;
}

}  // namespace tavirel::service::http
