// Hostile requests against a real service on loopback: each answered with
// its status, its connection closed when the request was refused before its
// body was read (nothing after it ever read as a request), and none of them
// holding the service or anyone else. The long form, with the service's
// memory and CPU measured at full size, is scripts/hostile-clients.
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
using testing::RawConnection;
using testing::ReadResponses;
using testing::Statuses;
using ApiHostile = testing::ApiTest;

constexpr std::size_t kUntilClosed = SIZE_MAX;

std::string Head(std::string_view line, std::string_view fields) {
  return std::string(line) + "\r\nHost: 127.0.0.1\r\n" + std::string(fields) + "\r\n";
}

// A request inside a body: sent whole, it would be answered as a request of its own.
const std::string kHidden = "GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";

TEST_F(ApiHostile, EachIsRefusedWithItsStatusAndNothingAfterARefusalIsRead) {
  const std::string bearer = "Authorization: Bearer " + rig_->token() + "\r\n";
  const std::string docs = "POST /v1/registers/sim/documents HTTP/1.1";
  const std::string hidden_length = "Content-Length: " + std::to_string(kHidden.size()) + "\r\n";
  struct Row {
    const char* name;
    std::string request;                       // sent at once
    std::function<void(RawConnection&)> more;  // then this, on a thread of its own
    int status;
    bool closes;
  };
  const std::string chunk = "10000\r\n" + std::string(0x10000, ' ') + "\r\n";
  const Row rows[] = {
      {"chunked body past the limit", Head(docs, bearer + "Transfer-Encoding: chunked\r\n"),
       [&](RawConnection& c) {
         for (int i = 0; i < 40 && c.Send(chunk); ++i) {
         }
       },
       413, true},
      {"declared length past the limit",
       Head(docs, bearer + "Content-Length: 2000000\r\n"),
       {},
       413,
       true},
      {"gzip body, no token",
       Head("POST / HTTP/1.1", "Content-Encoding: gzip\r\n" + hidden_length) + kHidden,
       {},
       415,
       true},
      {"gzip body with the token",
       Head(docs, bearer + "Content-Encoding: gzip\r\n" + hidden_length) + kHidden,
       {},
       415,
       true},
      {"length and chunked both",
       Head(docs, bearer + hidden_length + "Transfer-Encoding: chunked\r\n") + kHidden,
       {},
       400,
       true},
      {"chunked after another coding",
       Head(docs, bearer + "Transfer-Encoding: gzip, chunked\r\n") + kHidden,
       {},
       501,
       true},
      {"a body without a length", Head(docs, bearer) + kHidden, {}, 411, true},
      {"a request in the body of a 401", Head(docs, hidden_length) + kHidden, {}, 401, true},
      {"a request in a cross-origin body",
       Head("POST / HTTP/1.1", "Origin: http://evil.example\r\n" + hidden_length) + kHidden,
       {},
       403,
       true},
      {"a request behind a rebound Host",
       "POST / HTTP/1.1\r\nHost: evil.example\r\n" + hidden_length + "\r\n" + kHidden,
       {},
       403,
       true},
      {"a request line too long",
       "GET /" + std::string(9000, 'a') + " HTTP/1.1\r\n",
       {},
       414,
       true},
      {"headers too large",
       Head("GET /healthz HTTP/1.1", "X-Big: " + std::string(9000, 'b') + "\r\n"),
       {},
       431,
       true},
      {"a line ended by LF alone", "GET /healthz HTTP/1.1\nHost: 127.0.0.1\n\n", {}, 400, true},
      {"a folded header", Head("GET /healthz HTTP/1.1", "X-A: 1\r\n  folded\r\n"), {}, 400, true},
      {"two lengths", Head(docs, bearer + hidden_length + hidden_length) + kHidden, {}, 400, true},
      {"another HTTP", "GET /healthz HTTP/2.0\r\nHost: 127.0.0.1\r\n\r\n", {}, 505, true},
      {"a body a byte at a time", Head(docs, bearer + "Content-Length: 100\r\n"),
       [](RawConnection& c) {
         for (int i = 0; i < 100 && c.Send(" "); ++i) std::this_thread::sleep_for(300ms);
       },
       408, true},
      {"bearer in lower case",
       Head("GET /v1/registers HTTP/1.1", "authorization: bearer " + rig_->token() + "\r\n"),
       {},
       200,
       false},
  };
  for (const auto& row : rows) {
    RawConnection connection(rig_->port());
    ASSERT_TRUE(connection.Open());
    connection.Send(row.request);
    std::thread more([&] {
      if (row.more) row.more(connection);
    });
    const auto got = ReadResponses(connection.fd(), row.closes ? kUntilClosed : 1, 8s);
    more.join();
    const auto statuses = Statuses(got.data);
    ASSERT_EQ(statuses.size(), 1U) << row.name << ":\n" << got.data;
    EXPECT_EQ(statuses[0], row.status) << row.name << ":\n" << got.data;
    EXPECT_EQ(got.closed, row.closes) << row.name;
    // The request time here is 2 s: the slowest refusal comes by then, and
    // a closing connection waits at most 1 s more for the client to go.
    EXPECT_LT(got.took, row.closes ? 5s : 2s) << row.name;
  }
}

// Twice the connections the service keeps open, each sending its head a
// byte at a time and never a token: the health check is answered at once.
TEST_F(ApiHostile, SlowClientsWithoutATokenDelayNoOne) {
  constexpr int kSlow = 256;  // the service keeps 64 + 64 open here
  std::atomic<bool> stop{false};
  std::atomic<int> connected{0};
  std::thread slow([&] {
    std::vector<std::unique_ptr<RawConnection>> held;
    const std::string head = "GET /v1/registers HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ";
    std::size_t sent = 0;
    while (!stop) {
      while (held.size() < kSlow) {
        held.push_back(std::make_unique<RawConnection>(rig_->port()));
        ++connected;
      }
      for (auto& c : held) {
        if (!c->Send(std::string(1, sent < head.size() ? head[sent] : 'x'))) {
          c = std::make_unique<RawConnection>(rig_->port());  // dropped: another in its place
          ++connected;
        }
      }
      ++sent;
      for (int i = 0; i < 5 && !stop; ++i) std::this_thread::sleep_for(20ms);
    }
  });
  ASSERT_TRUE(Eventually([&] { return connected >= kSlow; }));
  auto client = rig_->Anonymous();
  for (int probe = 0; probe < 5; ++probe) {
    const auto start = std::chrono::steady_clock::now();
    const auto res = client->Get("/healthz");
    ASSERT_TRUE(res) << "probe " << probe;
    EXPECT_EQ(res->status, 200);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s) << "probe " << probe;
    std::this_thread::sleep_for(200ms);
  }
  stop = true;
  slow.join();
}

TEST_F(ApiHostile, AnEventStreamsPlaceIsFreeSoonAfterItsClientGoes) {
  const std::string get =
      Head("GET /v1/events HTTP/1.1", "Authorization: Bearer " + rig_->token() + "\r\n");
  for (int i = 0; i < 2; ++i) {  // as many as the service allows here
    RawConnection stream(rig_->port());
    stream.Send(get);
    ASSERT_NE(ReadResponses(stream.fd(), 0, 3s, 500ms).data.find("200 OK"), std::string::npos);
  }  // both gone
  const auto start = std::chrono::steady_clock::now();
  bool streaming = false;
  while (!streaming && std::chrono::steady_clock::now() - start < 5s) {
    RawConnection stream(rig_->port());
    stream.Send(get);
    streaming = ReadResponses(stream.fd(), 0, 3s, 500ms).data.starts_with("HTTP/1.1 200");
  }
  EXPECT_TRUE(streaming);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
}

TEST_F(ApiHostile, AHalfMillionFaultsAreCountedNotListed) {
  std::string lines = "0";
  for (int i = 1; i < 500000; ++i) lines += ",0";
  const auto res =
      Post("/v1/registers/sim/documents", R"({"key": "many", "lines": [)" + lines + "]}");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 400);
  EXPECT_LT(res->body.size(), 8192U);
  const Json body = Body(res);
  ASSERT_EQ(body["problems"].size(), 32U);
  EXPECT_EQ(body["problems"][31]["field"], "lines[31]");
  // Every element, and the payments the receipt lacks.
  EXPECT_EQ(body["more_problems"], 500001 - 32);
}

TEST_F(ApiHostile, RefusalsAreLoggedWithWhoAndWhereButNeverTheToken) {
  const std::string wrong(rig_->token().size(), 'f');
  auto client = rig_->Anonymous();
  client->set_bearer_token_auth(wrong.c_str());
  EXPECT_EQ(client->Get("/v1/registers")->status, 401);
  EXPECT_EQ(rig_->Client()->Get("/v1/registers", {{"Origin", "http://evil.example"}})->status, 403);
  Json big = Json::parse(testing::ReceiptJson("logged-big"));
  big["padding"] = std::string(1100000, 'x');
  EXPECT_EQ(Post("/v1/registers/sim/documents", big.dump())->status, 413);
  RawConnection endless(rig_->port());
  endless.Send("GET /healthz HTTP/1.1\r\nX-Big: " + std::string(9000, 'b'));
  EXPECT_EQ(Statuses(ReadResponses(endless.fd(), kUntilClosed, 5s).data), std::vector<int>{431});
  const auto lines = rig_->LogLines();
  const auto logged = [&](std::string_view status, std::string_view more) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
      return line.starts_with("tavireld: level=warning event=request-refused status=") &&
             line.find(std::string("status=") + std::string(status)) != std::string::npos &&
             line.find("remote=127.0.0.1") != std::string::npos &&
             line.find(more) != std::string::npos;
    });
  };
  EXPECT_TRUE(logged("401", "path=/v1/registers"));
  EXPECT_TRUE(logged("403", "reason=origin remote=127.0.0.1 method=GET path=/v1/registers host="));
  EXPECT_TRUE(logged("403", "origin=http://evil.example"));
  EXPECT_TRUE(logged("413", "path=/v1/registers/sim/documents"));
  EXPECT_TRUE(logged("431", "reason=\"a header line is too long\""));
  for (const auto& line : lines) {
    EXPECT_EQ(line.find(wrong), std::string::npos) << line;
    EXPECT_EQ(line.find(rig_->token()), std::string::npos) << line;
  }
}

}  // namespace
}  // namespace tavirel::service
