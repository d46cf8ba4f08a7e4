// The API's bounds over real HTTP on loopback: body size, queue length,
// origins and hosts, connections at once, and clients that would hold one.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "api_fixture.hpp"
#include "raw_client.hpp"

namespace tavirel::service {
namespace {

using namespace std::chrono_literals;
using testing::Json;
using testing::ReceiptJson;
using ApiBounds = testing::ApiTest;
using testing::kOrigin;
using testing::RawConnection;
using testing::ReadResponses;

TEST_F(ApiBounds, ABodyOverOneMebibyteIs413) {
  Json doc = Json::parse(ReceiptJson("api-big"));
  doc["padding"] = std::string(1024 * 1024, 'x');
  const auto res = Post("/v1/registers/sim/documents", doc.dump());
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 413);
  EXPECT_NE(Body(res)["error"].get<std::string>().find("1048576"), std::string::npos);
}

TEST_F(ApiBounds, AFullQueueIs503WithRetryAfterAndQueuedDocumentsWait) {
  for (const char* key : {"off-1", "off-2"}) {
    const auto res = Post("/v1/registers/off/documents?wait=0", ReceiptJson(key));
    ASSERT_EQ(res->status, 202) << res->body;
    EXPECT_EQ(Body(res)["status"], "queued");
  }
  const auto full = Post("/v1/registers/off/documents?wait=0", ReceiptJson("off-3"));
  EXPECT_EQ(full->status, 503);
  EXPECT_EQ(full->get_header_value("Retry-After"), "5");
  const auto again = Post("/v1/registers/off/documents?wait=1", ReceiptJson("off-1"));
  EXPECT_EQ(again->status, 202);  // a key it holds is not a new document
  EXPECT_EQ(Body(rig_->Client()->Get("/v1/documents/off-2"))["status"], "queued");
  EXPECT_EQ(Body(rig_->Client()->Get("/v1/registers/off"))["queue_length"], 2);
}

TEST_F(ApiBounds, CrossOriginOnlyForTheAllowedOriginsAndOnlyForLoopbackNames) {
  auto client = rig_->Client();
  const auto preflight = client->Options(
      "/v1/registers", {{"Origin", kOrigin}, {"Access-Control-Request-Method", "GET"}});
  EXPECT_EQ(preflight->status, 204);
  EXPECT_EQ(preflight->get_header_value("Access-Control-Allow-Origin"), kOrigin);
  EXPECT_NE(preflight->get_header_value("Access-Control-Allow-Headers").find("Authorization"),
            std::string::npos);
  const auto allowed = client->Get("/v1/registers", {{"Origin", kOrigin}});
  EXPECT_EQ(allowed->status, 200);
  EXPECT_EQ(allowed->get_header_value("Access-Control-Allow-Origin"), kOrigin);
  for (const char* origin : {"http://evil.example", "http://pos.example", "null"}) {
    const auto refused = client->Get("/v1/registers", {{"Origin", origin}});
    EXPECT_EQ(refused->status, 403) << origin;
    EXPECT_EQ(Body(refused)["field"], "Origin");
    EXPECT_FALSE(refused->has_header("Access-Control-Allow-Origin"));
  }
  const std::string own = "http://127.0.0.1:" + std::to_string(rig_->port());
  EXPECT_EQ(client->Get("/v1/registers", {{"Origin", own}})->status, 200);  // the console's own
  const auto rebound = client->Get("/v1/registers", {{"Host", "evil.example:80"}});
  EXPECT_EQ(rebound->status, 403);
  EXPECT_EQ(Body(rebound)["field"], "Host");
}

TEST_F(ApiBounds, ABurstOfClientsConnectingAtOnceAllGetAnAnswer) {
  constexpr int kClients = 48;
  std::atomic<int> ready{0}, answered{0};
  std::vector<std::thread> clients;
  for (int i = 0; i < kClients; ++i) {
    clients.emplace_back([&] {
      auto client = rig_->Client();
      ++ready;
      while (ready < kClients) std::this_thread::yield();
      const auto res =
          client->Post("/v1/registers/nope/documents", ReceiptJson("burst"), "application/json");
      if (res && res->status == 404) ++answered;
    });
  }
  for (auto& client : clients) client.join();
  EXPECT_EQ(answered, kClients);
}

// Clients that would hold a connection: silent after half a request, sending
// a head a byte at a time, or a head that never ends. Each is dropped by its
// limit (an I/O limit of 1 s and a request limit of 2 s here), while the register
// serves others, and nothing of theirs reaches the journal.
TEST_F(ApiBounds, ClientsThatHoldAConnectionAreDroppedAndHoldNoOneElse) {
  const std::string head =
      "POST /v1/registers/sim/documents HTTP/1.1\r\nHost: 127.0.0.1\r\n"
      "Authorization: Bearer " +
      rig_->token() + "\r\n";
  struct Row {
    const char* name;
    std::function<void(int fd, std::atomic<bool>& stop)> send;
  };
  const Row rows[] = {
      {"silent",
       [&](int fd, std::atomic<bool>&) {
         const std::string half = head + "Content-Length: 500\r\n\r\n{\"key\": \"api-held\"";
         ::send(fd, half.data(), half.size(), MSG_NOSIGNAL);
       }},
      {"a byte at a time",
       [&](int fd, std::atomic<bool>& stop) {
         for (char c : head + "X-Slow: " + std::string(200, 'x')) {
           if (stop || ::send(fd, &c, 1, MSG_NOSIGNAL) != 1) return;
           std::this_thread::sleep_for(100ms);
         }
       }},
      {"a head without end",
       [&](int fd, std::atomic<bool>& stop) {
         ::send(fd, head.data(), head.size(), MSG_NOSIGNAL);
         // 20 MB of headers: the service hangs up long before they are all sent.
         const std::string line = "X-More: " + std::string(1000, 'y') + "\r\n";
         for (int i = 0; i < 20000 && !stop; ++i) {
           if (::send(fd, line.data(), line.size(), MSG_NOSIGNAL) <= 0) return;
         }
         ADD_FAILURE() << "20 MB of headers were taken";
       }},
  };
  int index = 0;
  for (const auto& row : rows) {
    RawConnection held(rig_->port());
    ASSERT_TRUE(held.Open());
    std::atomic<bool> stop{false};
    std::thread sender([&] { row.send(held.fd(), stop); });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(
        Post("/v1/registers/sim/documents", ReceiptJson("api-other-" + std::to_string(index++)))
            ->status,
        200)
        << row.name;
    EXPECT_TRUE(ReadResponses(held.fd(), SIZE_MAX, 6s).closed) << row.name;
    EXPECT_LT(std::chrono::steady_clock::now() - start, 6s) << row.name;
    stop = true;
    sender.join();
  }
  EXPECT_EQ(rig_->Client()->Get("/v1/documents/api-held")->status, 404);
}

}  // namespace
}  // namespace tavirel::service
