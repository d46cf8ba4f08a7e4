#include "openapi_check.hpp"

#include <algorithm>
#include <cctype>
#include <regex>
#include <sstream>

#include "console_assets.hpp"

namespace tavirel::service::testing {
namespace {

using Json = nlohmann::json;

constexpr std::string_view kMethods[] = {"get", "post", "put", "patch", "delete"};

std::vector<std::string> Segments(std::string_view path) {
  std::vector<std::string> parts;
  std::size_t at = 0;
  while (at <= path.size()) {
    const std::size_t end = std::min(path.find('/', at), path.size());
    parts.emplace_back(path.substr(at, end - at));
    at = end + 1;
  }
  return parts;
}

bool IsParameter(const std::string& segment) {
  return segment.size() > 2 && segment.front() == '{' && segment.back() == '}';
}

// The literal segments of `templ` when `path` matches it, else -1.
int Match(const std::string& templ, const std::string& path) {
  const auto want = Segments(templ);
  const auto have = Segments(path);
  if (want.size() != have.size()) return -1;
  int literal = 0;
  for (std::size_t i = 0; i < want.size(); ++i) {
    if (IsParameter(want[i])) {
      if (have[i].empty()) return -1;
    } else if (want[i] != have[i]) {
      return -1;
    } else {
      ++literal;
    }
  }
  return literal;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string MediaType(const std::string& content_type) {
  std::string type = content_type.substr(0, content_type.find(';'));
  while (!type.empty() && type.back() == ' ') type.pop_back();
  return Lower(type);
}

bool HasType(const Json& value, const std::string& type) {
  if (type == "object") return value.is_object();
  if (type == "array") return value.is_array();
  if (type == "string") return value.is_string();
  if (type == "boolean") return value.is_boolean();
  if (type == "integer") return value.is_number_integer();
  if (type == "number") return value.is_number();
  if (type == "null") return value.is_null();
  return false;
}

std::string Short(const Json& value) {
  std::string text = value.dump();
  return text.size() > 80 ? text.substr(0, 77) + "..." : text;
}

}  // namespace

ApiDescription ApiDescription::BuiltIn() {
  const auto assets = OpenApiAssets();
  return ApiDescription(Json::parse(assets.front().body));
}

ApiDescription::ApiDescription(Json document) : document_(std::move(document)) {}

const Json& ApiDescription::Resolve(const Json& schema) const {
  const Json* at = &schema;
  // "#/components/schemas/Name": a pointer into this document.
  for (int depth = 0; at->is_object() && at->contains("$ref") && depth < 16; ++depth) {
    const std::string ref = (*at)["$ref"].get<std::string>();
    at = &document_.at(Json::json_pointer(ref.substr(1)));
  }
  return *at;
}

std::vector<std::string> ApiDescription::Validate(const Json& schema, const Json& value,
                                                  const std::string& where) const {
  std::vector<std::string> problems;
  ValidateInto(schema, value, where, problems);
  return problems;
}

void ApiDescription::ValidateInto(const Json& raw, const Json& value, const std::string& where,
                                  std::vector<std::string>& problems) const {
  const Json& schema = Resolve(raw);
  if (value.is_null() && schema.value("nullable", false)) return;
  if (const auto one = schema.find("oneOf"); one != schema.end()) {
    std::size_t matched = 0;
    std::vector<std::string> why;
    for (const Json& choice : *one) {
      auto each = Validate(choice, value, where);
      if (each.empty()) ++matched;
      why.insert(why.end(), each.begin(), each.end());
    }
    if (matched != 1) {
      problems.push_back(where + ": matches " + std::to_string(matched) +
                         " of the oneOf choices, not one" +
                         (matched == 0 && !why.empty() ? " (" + why.front() + ")" : ""));
    }
    return;
  }
  if (const auto type = schema.find("type"); type != schema.end()) {
    if (!HasType(value, type->get<std::string>())) {
      problems.push_back(where + ": " + Short(value) + " is not of type " + type->dump());
      return;
    }
  }
  if (const auto choices = schema.find("enum"); choices != schema.end()) {
    if (std::find(choices->begin(), choices->end(), value) == choices->end()) {
      problems.push_back(where + ": " + Short(value) + " is not one of " + choices->dump());
    }
  }
  if (value.is_object()) {
    for (const Json& name : schema.value("required", Json::array())) {
      if (!value.contains(name.get<std::string>())) {
        problems.push_back(where + ": lacks the required " + name.dump());
      }
    }
    const Json properties = schema.value("properties", Json::object());
    const auto extra = schema.find("additionalProperties");
    for (const auto& [name, item] : value.items()) {
      const std::string place = where + "." + name;
      if (const auto property = properties.find(name); property != properties.end()) {
        ValidateInto(*property, item, place, problems);
      } else if (extra != schema.end() && extra->is_boolean() && !extra->get<bool>()) {
        problems.push_back(where + ": has " + name + ", which is not described");
      } else if (extra != schema.end() && extra->is_object()) {
        ValidateInto(*extra, item, place, problems);
      }
    }
  }
  if (value.is_array()) {
    if (const auto items = schema.find("items"); items != schema.end()) {
      for (std::size_t i = 0; i < value.size(); ++i) {
        ValidateInto(*items, value[i], where + "[" + std::to_string(i) + "]", problems);
      }
    }
  }
}

std::string ApiDescription::FindPath(const std::string& path) const {
  std::string best;
  int best_literal = -1;
  for (const auto& [templ, item] : document_.at("paths").items()) {
    const int literal = Match(templ, path);
    if (literal > best_literal) {
      best = templ;
      best_literal = literal;
    }
  }
  return best;
}

std::vector<std::string> ApiDescription::Check(const Exchange& exchange) const {
  std::vector<std::string> problems;
  const std::string path = exchange.target.substr(0, exchange.target.find('?'));
  const std::string method = exchange.method == "HEAD" ? "get" : Lower(exchange.method);
  const std::string what =
      exchange.method + " " + exchange.target + " -> " + std::to_string(exchange.status);
  const auto fail = [&](const std::string& problem) { problems.push_back(what + ": " + problem); };
  const Json& error = document_.at("/components/schemas/Error"_json_pointer);
  const auto error_body = [&] {
    const Json body = Json::parse(exchange.response_body, nullptr, false);
    for (const auto& p : Validate(error, body)) fail(p);
  };

  const std::string templ = FindPath(path);
  const Json* operation = nullptr;
  if (!templ.empty()) {
    const Json& item = document_["paths"][templ];
    if (const auto it = item.find(method); it != item.end()) operation = &*it;
  }
  if (operation == nullptr) {
    // The router's 404 and 405, or the gate's 401 before routing, are
    // described once for every path.
    if (exchange.status == 404 || exchange.status == 405 ||
        (exchange.status == 401 && path.starts_with("/v1/"))) {
      error_body();
    } else if (exchange.method != "OPTIONS") {
      fail("the description has no " + method + " " + (templ.empty() ? path : templ));
    }
    return problems;
  }
  const Json& responses = operation->at("responses");
  auto response = responses.find(std::to_string(exchange.status));
  if (response == responses.end()) response = responses.find("default");
  if (response == responses.end()) {
    fail("status " + std::to_string(exchange.status) + " is not described for " + method + " " +
         templ);
    return problems;
  }
  const Json& described = Resolve(*response);
  const Json content = described.value("content", Json::object());
  const std::string type = MediaType(exchange.content_type);
  if (content.empty()) {
    if (!exchange.response_body.empty()) fail("a body where none is described");
    return problems;
  }
  const auto media = content.find(type);
  if (media == content.end()) {
    fail("content type " + exchange.content_type + " is not described (" + content.dump() + ")");
    return problems;
  }
  if (exchange.method != "HEAD" && type == "application/json") {
    const Json body = Json::parse(exchange.response_body, nullptr, false);
    if (body.is_discarded()) {
      fail("the body is not JSON");
    } else {
      for (const auto& p : Validate(media->at("schema"), body)) fail(p);
    }
  }
  // A request the service took is one the description allows.
  if (exchange.status / 100 == 2) {
    const auto request = operation->find("requestBody");
    const bool optional = request != operation->end() && !request->value("required", false);
    if (request != operation->end() && !(optional && exchange.request_body.empty())) {
      const Json body = Json::parse(exchange.request_body, nullptr, false);
      const Json& schema = request->at("/content/application~1json/schema"_json_pointer);
      for (const auto& p : Validate(schema, body, "request $")) fail(p);
    }
  }
  return problems;
}

std::vector<std::string> ApiDescription::CheckRoutes(
    const std::vector<std::pair<std::string, std::string>>& routes) const {
  std::vector<std::string> problems;
  struct Described {
    std::string method;  // upper case, as the router has it
    std::string sample;  // the path with each parameter filled in
    std::string templ;
  };
  std::vector<Described> described;
  for (const auto& [templ, item] : document_.at("paths").items()) {
    for (const auto method : kMethods) {
      if (!item.contains(std::string(method))) continue;
      std::string upper(method);
      for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      const std::string sample = std::regex_replace(templ, std::regex(R"(\{[^}/]+\})"), "p1");
      described.push_back({upper, sample, templ});
    }
  }
  std::vector<bool> served(described.size(), false);
  for (const auto& [method, pattern] : routes) {
    const std::regex re(pattern);
    bool found = false;
    for (std::size_t i = 0; i < described.size(); ++i) {
      if (described[i].method == method && std::regex_match(described[i].sample, re)) {
        found = true;
        served[i] = true;
      }
    }
    if (!found) problems.push_back("served but not described: " + method + " " + pattern);
  }
  for (std::size_t i = 0; i < described.size(); ++i) {
    if (!served[i]) {
      problems.push_back("described but not served: " + described[i].method + " " +
                         described[i].templ);
    }
  }
  return problems;
}

}  // namespace tavirel::service::testing
