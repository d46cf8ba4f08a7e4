#pragma once
// Routes: a method and a path pattern (a regular expression matched against
// the whole decoded path) to a handler. HEAD runs the GET route.
//
// Thread safety: add every route before the server serves; Route may then
// be called from any thread.
#include <functional>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "limits.hpp"
#include "message.hpp"

namespace tavirel::service::http {

class Router {
 public:
  using Handler = std::function<void(const Request&, Response&)>;

  void Get(const std::string& pattern, Handler handler);
  void Post(const std::string& pattern, Handler handler);
  void Add(std::string method, const std::string& pattern, Handler handler);

  /// Runs the route of `request` (its captures put in request.matches).
  /// When none: 404 when no pattern matches the path, 405 with an Allow
  /// field in `response` when only routes of other methods do. A handler's
  /// exception goes to the caller.
  std::optional<Refusal> Route(Request& request, Response& response) const;

  /// Each route's method and pattern, in the order they were added.
  [[nodiscard]] std::vector<std::pair<std::string, std::string>> Routes() const;

 private:
  struct Entry {
    std::string method;
    std::string text;  // the pattern as given
    std::regex pattern;
    Handler handler;
  };
  std::vector<Entry> routes_;
};

}  // namespace tavirel::service::http
