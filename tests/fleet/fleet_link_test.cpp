// The store's broker link on a fake broker, with tavireld's own workers on
// built-in registers: documents in, every state change out from the outbox
// until acknowledged (again after a reconnection), a copy answered without
// printing, refusals, the store status' sequence and will, expiry by the
// service's wall clock, and programming on the config topic.
#include <gtest/gtest.h>

#include <atomic>
#include <nlohmann/json.hpp>

#include "fleet/fake_mqtt.hpp"
#include "service/service_rig.hpp"
#include "tavirel/documents/outbox.hpp"

namespace tavirel::service::fleet {
namespace {

using namespace std::chrono_literals;
using Json = nlohmann::json;
using tavirel::service::testing::ReceiptJson;
using tavirel::service::testing::ServiceRig;
using testing::FakeBroker;
using testing::FakeClient;
using testing::Sent;

constexpr const char* kDocs = "tavirel/v1/s1/r1/documents";
constexpr const char* kOutcomes = "tavirel/v1/s1/r1/outcomes";

struct Rig {
  std::shared_ptr<FakeBroker> broker = std::make_shared<FakeBroker>();
  std::atomic<std::int64_t> now{1'800'000'000'000};
  std::unique_ptr<ServiceRig> service;

  Rig() {
    ServiceConfig config;
    config.registers = {RegisterConfig{.name = "r1", .device = "sim"}};
    config.fleet.url = "mqtt://127.0.0.1:1";
    config.fleet.store = "s1";
    ServiceParts parts;
    parts.make_mqtt_client = [b = broker](const MqttSettings&) {
      return std::make_unique<FakeClient>(b);
    };
    parts.wall_ms = [this] { return now.load(); };
    service = std::make_unique<ServiceRig>(std::move(config), std::move(parts));
    EXPECT_TRUE(broker->WaitStarted());
    EXPECT_TRUE(service->AllOpen());
  }

  // The outcomes published for `key` (topic `topic`), in order.
  std::vector<Json> Outcomes(const std::string& key, const std::string& topic = kOutcomes) {
    std::vector<Json> out;
    for (const auto& s : broker->SentSoFar()) {
      if (s.topic != topic) continue;
      Json j = Json::parse(s.payload);
      if (j.value("key", "") == key) out.push_back(j);
    }
    return out;
  }
  bool WaitState(const std::string& key, const std::string& state, int times = 1,
                 const std::string& topic = kOutcomes) {
    return broker->WaitFor([&](const std::vector<Sent>& sent) {
      int seen = 0;
      for (const auto& s : sent) {
        if (s.topic != topic) continue;
        const Json j = Json::parse(s.payload);
        if (j.value("key", "") == key && j.value("state", "") == state) ++seen;
      }
      return seen >= times;
    });
  }
  int ReceiptNumber(const std::string& key) {
    for (const Json& j : Outcomes(key)) {
      if (j["state"] == "closed") return j["outcome"]["receipt_number"].get<int>();
    }
    return -1;
  }
  std::size_t OutboxSize() { return documents::Outbox(service->dir() / "state/journal.db").Size(); }
};

TEST(FleetLink, EveryStateGoesOutAndACopyPrintsNothing) {
  Rig rig;
  rig.broker->Connect();
  EXPECT_EQ(rig.broker->Subscriptions(),
            (std::vector<std::string>{"tavirel/v1/s1/+/documents", "tavirel/v1/s1/+/config"}));
  rig.broker->Deliver(kDocs, ReceiptJson("k1"));
  ASSERT_TRUE(rig.WaitState("k1", "closed"));
  std::vector<std::string> states;
  for (const Json& j : rig.Outcomes("k1")) states.push_back(j["state"]);
  EXPECT_EQ(states, (std::vector<std::string>{"queued", "running", "closed"}));

  rig.broker->Deliver(kDocs, ReceiptJson("k1"));  // the broker's redelivery
  ASSERT_TRUE(rig.WaitState("k1", "closed", 2));
  EXPECT_TRUE(rig.Outcomes("k1").back().value("replayed", false));
  rig.broker->Deliver(kDocs, ReceiptJson("k2"));
  ASSERT_TRUE(rig.WaitState("k2", "closed"));
  // Printed once: the next receipt is the very next number.
  EXPECT_EQ(rig.ReceiptNumber("k2"), rig.ReceiptNumber("k1") + 1);
}

TEST(FleetLink, RowsStayUntilAcknowledgedAndGoAgainAfterAReconnection) {
  Rig rig;
  rig.broker->Connect();
  rig.broker->Deliver(kDocs, ReceiptJson("k1"));
  ASSERT_TRUE(rig.WaitState("k1", "closed"));
  EXPECT_EQ(rig.OutboxSize(), 3U) << "nothing acknowledged, nothing removed";

  rig.broker->Drop();
  rig.broker->Connect(true);
  ASSERT_TRUE(rig.WaitState("k1", "closed", 2)) << "sent again after the reconnection";
  ASSERT_TRUE(rig.WaitState("k1", "queued", 2));
  rig.broker->AckAll();
  // Removed once the link takes the acknowledgements (at its next turn).
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (rig.OutboxSize() != 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_EQ(rig.OutboxSize(), 0U);
  rig.broker->Drop();
  rig.broker->Connect(true);
  rig.broker->Deliver(kDocs, ReceiptJson("k2"));
  ASSERT_TRUE(rig.WaitState("k2", "closed"));
  EXPECT_EQ(rig.Outcomes("k1").size(), 6U) << "acknowledged rows are not sent a third time";
}

TEST(FleetLink, StoreStatusSequenceGrowsAtEveryConnection) {
  Rig rig;
  rig.now = 5000;  // a wall clock that stands still: the sequence still grows
  for (int i = 0; i < 3; ++i) {
    rig.broker->Connect();
    rig.broker->Drop();
  }
  rig.now = 100000;  // a clock that jumped ahead: the sequence follows it
  rig.broker->Connect();
  std::vector<std::int64_t> wills, onlines;
  for (const auto& w : rig.broker->Wills()) {
    EXPECT_EQ(w.topic, "tavirel/v1/s1/status");
    const Json j = Json::parse(w.payload);
    EXPECT_EQ(j["state"], "offline");
    wills.push_back(j["sequence"]);
  }
  for (const auto& s : rig.broker->SentSoFar()) {
    if (s.topic != "tavirel/v1/s1/status") continue;
    EXPECT_TRUE(s.retain);
    onlines.push_back(Json::parse(s.payload)["sequence"]);
  }
  EXPECT_EQ(wills, (std::vector<std::int64_t>{5000, 5001, 5002, 100000}));
  EXPECT_EQ(onlines, wills) << "each online carries its own connection's will sequence";
}

TEST(FleetLink, WhatCannotBeAdmittedIsRefusedOnTheOutcomes) {
  struct Row {
    const char* name;
    std::string topic;
    std::string payload;
    const char* outcome_topic;  // nullptr: ignored, nothing published
    const char* state;
  };
  const Row rows[] = {
      {"not JSON", kDocs, "{oops", kOutcomes, "rejected"},
      {"no key", kDocs, ReceiptJson(""), kOutcomes, "rejected"},
      {"preflight", kDocs, ReceiptJson("p1", "-3.00"), kOutcomes, "rejected"},
      {"unknown register", "tavirel/v1/s1/r9/documents", ReceiptJson("u1"),
       "tavirel/v1/s1/r9/outcomes", "rejected"},
      {"receipt on config", "tavirel/v1/s1/r1/config", ReceiptJson("c1"), kOutcomes, "rejected"},
      {"another store", "tavirel/v1/s2/r1/documents", ReceiptJson("o1"), nullptr, nullptr},
      {"not an input", kOutcomes, ReceiptJson("o2"), nullptr, nullptr},
  };
  Rig rig;
  rig.broker->Connect();
  for (const Row& row : rows) {
    const std::size_t before = rig.broker->SentSoFar().size();
    rig.broker->Deliver(row.topic, row.payload);
    if (!row.outcome_topic) continue;
    ASSERT_TRUE(rig.broker->WaitFor([&](const std::vector<Sent>& sent) {
      for (std::size_t i = before; i < sent.size(); ++i) {
        if (sent[i].topic == row.outcome_topic &&
            Json::parse(sent[i].payload).value("state", "") == row.state) {
          return true;
        }
      }
      return false;
    })) << row.name;
  }
  // Nothing reached the journal: a receipt now is the register's first.
  rig.broker->Deliver(kDocs, ReceiptJson("k1"));
  ASSERT_TRUE(rig.WaitState("k1", "closed"));
  for (const char* key : {"o1", "o2", "u1", "c1", "p1"}) {
    for (const Json& j : rig.Outcomes(key)) EXPECT_EQ(j["state"], "rejected") << key;
  }
}

TEST(FleetLink, ADocumentPastItsExpiryIsNotPrinted) {
  Rig rig;
  rig.now = 1796752800000;  // 2026-12-08T18:00:00Z
  rig.broker->Connect();
  rig.broker->Deliver(kDocs, ReceiptJson("before"));
  ASSERT_TRUE(rig.WaitState("before", "closed"));
  Json late = Json::parse(ReceiptJson("late"));
  late["expires_at"] = "2026-12-08T17:59:59Z";
  Json timely = Json::parse(ReceiptJson("timely"));
  timely["expires_at"] = "2026-12-08T19:00:00+01:00";  // 18:00Z: not passed until it is
  rig.now = 1796752800000 - 1;
  rig.broker->Deliver(kDocs, late.dump());
  rig.broker->Deliver(kDocs, timely.dump());
  ASSERT_TRUE(rig.WaitState("late", "expired"));
  ASSERT_TRUE(rig.WaitState("timely", "closed"));
  EXPECT_EQ(rig.Outcomes("late").back()["outcome"]["status"], "expired");
  EXPECT_EQ(rig.ReceiptNumber("timely"), rig.ReceiptNumber("before") + 1);
}

TEST(FleetLink, ProgrammingOnTheConfigTopicReportsItsVersion) {
  Rig rig;
  rig.broker->Connect();
  rig.broker->Deliver(
      "tavirel/v1/s1/r1/config",
      R"({"version": 7, "header": [{"number": 1, "text": "BAR DA MARIO", "print_type": 2}]})");
  ASSERT_TRUE(rig.WaitState("config-r1-v7", "closed"));
  ASSERT_TRUE(rig.broker->WaitFor([](const std::vector<Sent>& sent) {
    for (const auto& s : sent) {
      if (s.topic == "tavirel/v1/s1/r1/config/reported" && s.retain &&
          Json::parse(s.payload)["version"] == 7) {
        return true;
      }
    }
    return false;
  }));
}

}  // namespace
}  // namespace tavirel::service::fleet
