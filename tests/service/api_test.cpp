// The v1 API over real HTTP on loopback: the token, registers, documents by
// key, refusals, events, metrics and member calls.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <sstream>

#include "api_fixture.hpp"

namespace tavirel::service {
namespace {

using namespace std::chrono_literals;
using testing::Json;
using testing::ReceiptJson;
using Api = testing::ApiTest;

TEST_F(Api, EveryV1CallNeedsTheTokenAndTheRestDoesNot) {
  struct Row {
    const char* method;
    const char* path;
    const char* authorization;  // nullptr: none
  };
  const std::string wrong = "Bearer " + std::string(rig_->token().size(), 'f');
  const Row rows[] = {
      {"GET", "/v1/registers", nullptr},
      {"GET", "/v1/registers/sim", "Bearer"},
      {"GET", "/v1/documents/k", wrong.c_str()},
      {"GET", "/v1/events", "Basic dXNlcjpwYXNz"},
      {"POST", "/v1/registers/sim/documents", nullptr},
      {"POST", "/v1/registers/sim/calls", wrong.c_str()},
  };
  for (const auto& row : rows) {
    auto client = rig_->Anonymous();
    httplib::Headers headers;
    if (row.authorization) headers.emplace("Authorization", row.authorization);
    const auto res =
        std::string(row.method) == "GET"
            ? client->Get(row.path, headers)
            : client->Post(row.path, headers, ReceiptJson("unauthorized"), "application/json");
    ASSERT_TRUE(res) << row.path;
    EXPECT_EQ(res->status, 401) << row.method << " " << row.path;
    EXPECT_EQ(Body(res)["field"], "Authorization");
    EXPECT_EQ(res->get_header_value("WWW-Authenticate"), "Bearer realm=\"tavireld\"");
  }
  EXPECT_FALSE(rig_->Client()->Get("/v1/documents/unauthorized")->status == 200);
  auto anonymous = rig_->Anonymous();
  EXPECT_EQ(anonymous->Get("/healthz")->status, 200);
  const auto page = anonymous->Get("/");
  EXPECT_EQ(page->status, 200);
  EXPECT_NE(page->body.find("<title>tavireld console</title>"), std::string::npos);
  EXPECT_NE(page->get_header_value("Content-Security-Policy").find("script-src 'self'"),
            std::string::npos);
  EXPECT_EQ(anonymous->Get("/console.js")->status, 200);
  EXPECT_EQ(anonymous->Get("/nothing-here")->status, 404);
}

TEST_F(Api, RegistersSayWhetherTheyAreOpenAndWhyNot) {
  const Json list = Body(rig_->Client()->Get("/v1/registers"))["registers"];
  ASSERT_EQ(list.size(), 2U);
  EXPECT_EQ(list[0]["name"], "sim");
  EXPECT_EQ(list[0]["state"], "open");
  EXPECT_EQ(list[0]["mode"], "euro");
  EXPECT_TRUE(list[0]["serial"].is_number());
  EXPECT_TRUE(list[0]["reason"].is_null());
  ASSERT_TRUE(Eventually(
      [] { return Body(rig_->Client()->Get("/v1/registers/off"))["state"] == "unavailable"; }));
  const Json off = Body(rig_->Client()->Get("/v1/registers/off"));
  EXPECT_FALSE(off["open"]);
  EXPECT_NE(off["reason"].get<std::string>().find("/nonexistent/ttyUSB9"), std::string::npos);
  const auto missing = rig_->Client()->Get("/v1/registers/nope");
  EXPECT_EQ(missing->status, 404);
  EXPECT_EQ(Body(missing)["field"], "register");
}

TEST_F(Api, AKeyPrintsOnceAndAnswersWithItsOutcomeEveryTime) {
  const auto first = Post("/v1/registers/sim/documents?wait=30", ReceiptJson(""),
                          {{"Idempotency-Key", "api-once"}});
  ASSERT_EQ(first->status, 200) << first->body;
  const Json outcome = Body(first);
  EXPECT_EQ(outcome["status"], "closed");
  EXPECT_EQ(outcome["key"], "api-once");
  EXPECT_EQ(outcome["total"], "1.50");
  EXPECT_EQ(outcome["replayed"], false);
  ASSERT_TRUE(outcome["receipt_number"].is_number());

  const auto again = Post("/v1/registers/sim/documents", ReceiptJson("api-once"));
  ASSERT_EQ(again->status, 200);
  EXPECT_EQ(Body(again)["receipt_number"], outcome["receipt_number"]);
  EXPECT_EQ(Body(again)["replayed"], true);
  const auto looked_up = rig_->Client()->Get("/v1/documents/api-once");
  EXPECT_EQ(looked_up->status, 200);
  EXPECT_EQ(Body(looked_up)["receipt_number"], outcome["receipt_number"]);

  // The same amount written another way is the same document.
  for (const Json& price : {Json(1.5), Json("1.500"), Json(15e-1)}) {
    Json respelled = Json::parse(ReceiptJson("api-once"));
    respelled["lines"][0]["price"] = price;
    const auto same = Post("/v1/registers/sim/documents", respelled.dump());
    EXPECT_EQ(same->status, 200) << price << ": " << same->body;
    EXPECT_EQ(Body(same)["replayed"], true) << price;
  }
  const auto other = Post("/v1/registers/sim/documents", ReceiptJson("api-once", "2.00"));
  EXPECT_EQ(other->status, 409);
  EXPECT_EQ(Body(other)["field"], "key");
  const auto elsewhere = Post("/v1/registers/off/documents?wait=0", ReceiptJson("api-once"));
  EXPECT_EQ(elsewhere->status, 409);
  // The next receipt got the next number: nothing was printed twice.
  const auto next = Post("/v1/registers/sim/documents", ReceiptJson("api-once-next"));
  EXPECT_EQ(Body(next)["receipt_number"], outcome["receipt_number"].get<int>() + 1);
}

TEST_F(Api, RefusalsNameTheFieldAtFault) {
  struct Row {
    const char* name;
    std::string path;
    std::string body;
    httplib::Headers headers;
    int status;
    const char* field;  // nullptr: JSON null
  };
  const std::string deep = std::string(40, '[') + std::string(40, ']');
  const Json long_line = Json::parse(ReceiptJson("api-long"));
  Json too_long = long_line;
  too_long["lines"][0]["description"] = "UNA DESCRIZIONE TROPPO LUNGA";
  Json unknown = long_line;
  unknown["colour"] = "red";
  const std::string docs = "/v1/registers/sim/documents";
  const Row rows[] = {
      {"not JSON", docs, "{\"key\": ", {}, 400, nullptr},
      {"too deep", docs, deep, {}, 400, nullptr},
      {"not an object", docs, "[1, 2]", {}, 400, nullptr},
      {"no key", docs, ReceiptJson(""), {}, 400, "key"},
      {"keys differ", docs, ReceiptJson("a1"), {{"Idempotency-Key", "a2"}}, 400, "key"},
      {"key with a slash", docs, ReceiptJson("a/b"), {}, 400, "key"},
      {"key too long", docs, ReceiptJson(std::string(129, 'k')), {}, 400, "key"},
      {"key of one dot", docs, ReceiptJson("."), {}, 400, "key"},
      {"key of two dots", docs, ReceiptJson(".."), {}, 400, "key"},
      {"number out of range",
       docs,
       R"({"key": "n1", "lines": [{"department": 1, "description": "PANE", "price": 1e400}],
           "payments": [{"type": "cash"}]})",
       {},
       400,
       "lines[0].price"},
      {"key not text", docs, R"({"key": 5, "lines": []})", {}, 400, "key"},
      {"wait negative", docs + "?wait=-1", ReceiptJson("w1"), {}, 400, "wait"},
      {"wait not a number", docs + "?wait=soon", ReceiptJson("w2"), {}, 400, "wait"},
      {"wait too long", docs + "?wait=301", ReceiptJson("w3"), {}, 400, "wait"},
      {"description too long", docs, too_long.dump(), {}, 400, "lines[0].description"},
      {"unknown field", docs, unknown.dump(), {}, 400, "colour"},
      {"unknown register", "/v1/registers/nope/documents", ReceiptJson("u1"), {}, 404, "register"},
  };
  for (const auto& row : rows) {
    const auto res = Post(row.path, row.body, row.headers);
    ASSERT_TRUE(res) << row.name;
    EXPECT_EQ(res->status, row.status) << row.name << ": " << res->body;
    const Json body = Body(res);
    EXPECT_TRUE(body["error"].is_string()) << row.name;
    if (row.field) {
      EXPECT_EQ(body["field"], row.field) << row.name << ": " << res->body;
    } else {
      EXPECT_TRUE(body["field"].is_null()) << row.name << ": " << res->body;
    }
  }
  // Nothing refused reached the journal.
  for (const char* key : {"a1", "a2", "w1", "api-long", "u1", "n1"}) {
    EXPECT_EQ(rig_->Client()->Get((std::string("/v1/documents/") + key).c_str())->status, 404)
        << key;
  }
  const auto missing = rig_->Client()->Get("/v1/documents/never-sent");
  EXPECT_EQ(missing->status, 404);
  EXPECT_EQ(Body(missing)["field"], "key");
}

TEST_F(Api, WaitZeroAnswers202WithWhereToLookAndTheLookEndsClosed) {
  const auto res = Post("/v1/registers/sim/documents?wait=0", ReceiptJson("api-later"));
  ASSERT_TRUE(res);
  ASSERT_TRUE(res->status == 202 || res->status == 200) << res->status;
  if (res->status == 202) {
    EXPECT_EQ(res->get_header_value("Location"), "/v1/documents/api-later");
    EXPECT_TRUE(Body(res)["status"] == "queued" || Body(res)["status"] == "running");
  }
  ASSERT_TRUE(Eventually(
      [] { return Body(rig_->Client()->Get("/v1/documents/api-later"))["status"] == "closed"; }));
}

// The stream's events as (type, data) pairs, in order.
std::vector<std::pair<std::string, Json>> ParseEvents(const std::string& stream) {
  std::vector<std::pair<std::string, Json>> events;
  std::size_t start = 0;
  for (auto end = stream.find("\n\n"); end != std::string::npos; end = stream.find("\n\n", start)) {
    std::string type;
    Json data;
    std::istringstream block(stream.substr(start, end - start));
    for (std::string line; std::getline(block, line);) {
      if (line.starts_with("event: ")) type = line.substr(7);
      if (line.starts_with("data: ")) data = Json::parse(line.substr(6));
    }
    if (!type.empty()) events.emplace_back(type, data);
    start = end + 2;
  }
  return events;
}

TEST_F(Api, EventsStreamDocumentStatesAndRegisterStatus) {
  auto client = rig_->Client();
  std::string seen;
  std::vector<std::string> states;  // of the document, as the stream told them
  auto reader = std::async(std::launch::async, [&] {
    client->Get("/v1/events", [&](const char* data, std::size_t length) {
      seen.append(data, length);
      states.clear();
      for (const auto& [type, event] : ParseEvents(seen)) {
        if (type == "document" && event["key"] == "api-events") states.push_back(event["status"]);
      }
      return states.empty() || states.back() != "closed";
    });
  });
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(Post("/v1/registers/sim/documents", ReceiptJson("api-events"))->status, 200);
  if (reader.wait_for(20s) != std::future_status::ready) {
    client->stop();
    ADD_FAILURE() << "the stream never told the document closed:\n" << seen;
  }
  reader.get();
  EXPECT_EQ(states, (std::vector<std::string>{"queued", "running", "closed"}));
  const auto events = ParseEvents(seen);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front().first, "register");  // the registers' state comes first
  EXPECT_EQ(events.front().second["name"], "sim");
  const auto closed = std::find_if(events.begin(), events.end(), [](const auto& e) {
    return e.first == "document" && e.second["status"] == "closed";
  });
  ASSERT_NE(closed, events.end());
  EXPECT_EQ(closed->second["outcome"]["total"], "1.50");
  EXPECT_NE(seen.find("\nid: "), std::string::npos);
}

TEST_F(Api, MetricsCountDocumentsByStatusAndQueuesByRegister) {
  ASSERT_EQ(Post("/v1/registers/sim/documents", ReceiptJson("api-metrics"))->status, 200);
  const std::string text = rig_->Anonymous()->Get("/metrics")->body;
  EXPECT_NE(text.find("tavireld_documents_total{register=\"sim\",status=\"closed\"} "),
            std::string::npos);
  EXPECT_NE(text.find("tavireld_queue_length{register=\"sim\"} 0"), std::string::npos);
  EXPECT_NE(text.find("tavireld_register_open{register=\"off\"} 0"), std::string::npos);
  EXPECT_NE(text.find("tavireld_results_total{result=\"OP_OK\"} "), std::string::npos);
  EXPECT_NE(text.find("tavireld_http_responses_total{status=\"200\"} "), std::string::npos);
}

TEST_F(Api, CallsRunInTheQueueAndAnswerAsTheCommandLineDoes) {
  const auto serial =
      Post("/v1/registers/sim/calls", R"({"member": "opReadMatrFisc", "args": [1]})");
  ASSERT_EQ(serial->status, 200) << serial->body;
  const Json answer = Body(serial);
  EXPECT_EQ(answer["member"], "opReadMatrFisc");
  EXPECT_EQ(answer["result_name"], "OP_OK");
  EXPECT_EQ(answer["last"]["LastMatrFisc"],
            Body(rig_->Client()->Get("/v1/registers/sim"))["serial"]);
  const auto property = Post("/v1/registers/sim/calls", R"({"member": "EuroSettings"})");
  EXPECT_EQ(Body(property)["value"], 2);
  struct Row {
    const char* body;
    const char* field;
  };
  for (const Row& row :
       {Row{R"({"member": "PortClose"})", "member"},
        Row{R"({"member": "EuroSettings", "args": [1]})", "member"},
        Row{R"({"member": "opNothing"})", "member"}, Row{R"({"args": [1]})", "member"}}) {
    const auto res = Post("/v1/registers/sim/calls", row.body);
    EXPECT_EQ(res->status, 400) << row.body << ": " << res->body;
    EXPECT_EQ(Body(res)["field"], row.field) << row.body;
  }
  EXPECT_TRUE(SimOpen());  // nothing took the port from the worker
}

}  // namespace
}  // namespace tavirel::service
