#pragma once
// The API's description held to what the service does: every answer a test
// got is found in service/openapi.json by its path, method and status, and
// its body validated against the schema described there; a request the
// service accepted (2xx) is validated against its request body's schema.
// Its validator knows the subset of JSON Schema the description uses: type,
// nullable, enum, properties, required, additionalProperties (false or a
// schema), items, oneOf and local $ref.
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

namespace tavirel::service::testing {

/// One request and its answer, as a test's client saw them.
struct Exchange {
  std::string method;
  std::string target;  // the path with its query
  std::string request_body;
  int status = 0;
  std::string content_type;
  std::string response_body;
};

class ApiDescription {
 public:
  /// The description built into the service.
  static ApiDescription BuiltIn();
  explicit ApiDescription(nlohmann::json document);

  /// What in `value` does not match `schema`, each problem with its place
  /// ("$.registers[0].state: ..."); empty when it matches.
  [[nodiscard]] std::vector<std::string> Validate(const nlohmann::json& schema,
                                                  const nlohmann::json& value,
                                                  const std::string& where = "$") const;

  /// What in the exchange the description does not say; empty when it does.
  /// An answer to a path the description has not is allowed only as the
  /// router's 404 (or the gate's 401 on /v1), with an Error body.
  [[nodiscard]] std::vector<std::string> Check(const Exchange& exchange) const;

  /// The routes (method, regular expression) the description misses and the
  /// described operations no route serves.
  [[nodiscard]] std::vector<std::string> CheckRoutes(
      const std::vector<std::pair<std::string, std::string>>& routes) const;

 private:
  // The described path template that `path` matches, or "".
  [[nodiscard]] std::string FindPath(const std::string& path) const;
  [[nodiscard]] const nlohmann::json& Resolve(const nlohmann::json& schema) const;
  void ValidateInto(const nlohmann::json& schema, const nlohmann::json& value,
                    const std::string& where, std::vector<std::string>& problems) const;

  nlohmann::json document_;
};

}  // namespace tavirel::service::testing
