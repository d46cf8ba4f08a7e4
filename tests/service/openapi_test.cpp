// The API's description: served without a token, every route described and
// nothing else, every reference resolving; and its checker, which the other
// API suites rely on, catching what it is there to catch.
#include <gtest/gtest.h>

#include "api_fixture.hpp"
#include "openapi_check.hpp"

namespace tavirel::service::testing {
namespace {

// Every "$ref" in `node`, with where it is.
void Refs(const Json& node, const std::string& where,
          std::vector<std::pair<std::string, std::string>>& out) {
  if (node.is_object()) {
    for (const auto& [name, item] : node.items()) {
      if (name == "$ref" && item.is_string()) out.emplace_back(where, item.get<std::string>());
      Refs(item, where + "/" + name, out);
    }
  } else if (node.is_array()) {
    for (std::size_t i = 0; i < node.size(); ++i)
      Refs(node[i], where + "/" + std::to_string(i), out);
  }
}

class OpenApiTest : public ApiTest {};

TEST_F(OpenApiTest, ServedWithoutTokenAndEveryRouteDescribedOnce) {
  const auto res = rig_->Anonymous()->Get("/v1/openapi.json");
  ASSERT_TRUE(res);
  ASSERT_EQ(res->status, 200);
  EXPECT_EQ(res->get_header_value("Content-Type"), "application/json");
  const Json document = Json::parse(res->body);
  EXPECT_TRUE(document["openapi"].get<std::string>().starts_with("3.")) << document["openapi"];

  const auto problems = ApiDescription(document).CheckRoutes(rig_->service().Routes());
  EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);

  std::vector<std::pair<std::string, std::string>> refs;
  Refs(document, "", refs);
  EXPECT_GT(refs.size(), 20u);
  for (const auto& [where, ref] : refs) {
    ASSERT_TRUE(ref.starts_with("#/")) << where;
    EXPECT_TRUE(document.contains(Json::json_pointer(ref.substr(1)))) << where << " -> " << ref;
  }
  // Every other /v1 route still wants the token.
  EXPECT_EQ(rig_->Anonymous()->Get("/v1/openapi.jsonx")->status, 401);
}

TEST(OpenApiCheck, ValidatorMatrix) {
  const ApiDescription description(Json::parse(R"({
    "components": {"schemas": {
      "Thing": {"type": "object", "additionalProperties": false, "required": ["id", "state"],
        "properties": {"id": {"type": "integer"}, "state": {"type": "string", "enum": ["on", "off"]},
                       "note": {"type": "string", "nullable": true},
                       "tags": {"type": "array", "items": {"type": "string"}}}},
      "Open": {"type": "object", "properties": {"n": {"type": "number"}}},
      "Either": {"oneOf": [{"$ref": "#/components/schemas/Thing"}, {"type": "string"}]},
      "Map": {"type": "object", "additionalProperties": {"type": "boolean"}}}}})"));
  const auto schema = [](const std::string& name) {
    return Json{{"$ref", "#/components/schemas/" + name}};
  };
  struct Row {
    const char* schema;
    const char* value;
    const char* problem;  // a part of the first problem; "" when it matches
  };
  const Row rows[] = {
      {"Thing", R"({"id": 1, "state": "on"})", ""},
      {"Thing", R"({"id": 1, "state": "on", "note": null, "tags": ["a"]})", ""},
      {"Thing", R"({"id": "1", "state": "on"})", "$.id: \"1\" is not of type \"integer\""},
      {"Thing", R"({"id": 1.5, "state": "on"})", "is not of type \"integer\""},
      {"Thing", R"({"id": 1, "state": "dim"})", "$.state: \"dim\" is not one of"},
      {"Thing", R"({"id": 1})", "lacks the required \"state\""},
      {"Thing", R"({"id": 1, "state": "on", "colour": 2})", "has colour, which is not described"},
      {"Thing", R"({"id": 1, "state": null})", "$.state: null is not of type"},
      {"Thing", R"({"id": 1, "state": "on", "tags": ["a", 2]})", "$.tags[1]: 2 is not of type"},
      {"Thing", R"([1])", "is not of type \"object\""},
      {"Open", R"({"n": 2, "other": "kept"})", ""},
      {"Open", R"({"n": "2"})", "$.n"},
      {"Either", R"("text")", ""},
      {"Either", R"({"id": 1, "state": "off"})", ""},
      {"Either", R"(7)", "matches 0 of the oneOf choices"},
      {"Map", R"({"a": true, "b": false})", ""},
      {"Map", R"({"a": true, "b": 1})", "$.b: 1 is not of type \"boolean\""},
  };
  for (const auto& row : rows) {
    const auto problems = description.Validate(schema(row.schema), Json::parse(row.value));
    const std::string first = problems.empty() ? "" : problems.front();
    if (*row.problem == '\0') {
      EXPECT_TRUE(problems.empty()) << row.schema << " " << row.value << ": " << first;
    } else {
      EXPECT_NE(first.find(row.problem), std::string::npos)
          << row.schema << " " << row.value << ": got \"" << first << "\"";
    }
  }
  // A value that matches two choices matches none of a oneOf.
  const Json both = Json::parse(R"({"oneOf": [{"type": "number"}, {"type": "integer"}]})");
  EXPECT_FALSE(description.Validate(both, 3).empty());
}

TEST(OpenApiCheck, ExchangesHeldToTheBuiltInDescription) {
  const auto description = ApiDescription::BuiltIn();
  const std::string error = R"({"error": "no", "field": null})";
  struct Row {
    Exchange exchange;
    const char* problem;  // "" when it is described
  };
  const Row rows[] = {
      {{"GET", "/healthz", "", 200, "application/json",
        R"({"status":"ok","registers":1,"open":1})"},
       ""},
      {{"GET", "/healthz", "", 200, "application/json",
        R"({"status":"fine","registers":1,"open":1})"},
       "is not one of"},
      {{"GET", "/healthz", "", 418, "application/json", error}, "status 418 is not described"},
      {{"GET", "/healthz", "", 200, "text/html", "<p>"}, "content type text/html"},
      {{"GET", "/v1/registers/sim?x=1", "", 404, "application/json", error}, ""},
      {{"GET", "/v1/registers/sim", "", 404, "application/json", R"({"error": 1, "field": null})"},
       "is not of type"},
      {{"GET", "/no/such/thing", "", 404, "application/json", error}, ""},
      {{"GET", "/no/such/thing", "", 200, "application/json", "{}"}, "the description has no get"},
      {{"DELETE", "/healthz", "", 405, "application/json", error}, ""},
      {{"GET", "/v1/documents/k", "", 200, "application/json", R"({"key":"k","register":"sim"})"},
       "matches 0 of the oneOf"},
      {{"GET", "/v1/documents/k", "", 200, "application/json",
        R"({"key":"k","status":"queued","register":"sim"})"},
       ""},
      {{"POST", "/v1/registers/sim/calls", R"({"args": []})", 200, "application/json", "{}"},
       "request $: lacks the required \"member\""},
      {{"POST", "/v1/registers/sim/calls", R"({"args": []})", 400, "application/json", error}, ""},
      {{"GET", "/v1/events", "", 200, "text/event-stream", ""}, ""},
      {{"HEAD", "/metrics", "", 200, "text/plain; version=0.0.4", ""}, ""},
  };
  for (const auto& row : rows) {
    const auto problems = description.Check(row.exchange);
    const std::string first = problems.empty() ? "" : problems.front();
    const std::string what = row.exchange.method + " " + row.exchange.target;
    if (*row.problem == '\0') {
      EXPECT_TRUE(problems.empty()) << what << ": " << first;
    } else {
      EXPECT_NE(first.find(row.problem), std::string::npos) << what << ": got \"" << first << "\"";
    }
  }
}

TEST(OpenApiCheck, RoutesMissingOrExtraAreNamed) {
  const ApiDescription description(Json::parse(R"({"paths": {
      "/a/{id}": {"get": {}, "post": {}}, "/b": {"get": {}}}})"));
  const auto problems = description.CheckRoutes(
      {{"GET", "/a/([^/]+)"}, {"GET", "/b"}, {"DELETE", "/a/([^/]+)"}, {"GET", "/c"}});
  EXPECT_EQ(problems, (std::vector<std::string>{"served but not described: DELETE /a/([^/]+)",
                                                "served but not described: GET /c",
                                                "described but not served: POST /a/{id}"}));
}

}  // namespace
}  // namespace tavirel::service::testing
