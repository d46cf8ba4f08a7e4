// The HTTP server's connection without a socket, on a fake clock: what each
// head and body reads as, the same however the bytes are split; what a
// refusal leaves of the bytes behind it (nothing); and every deadline.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/connection.hpp"
#include "http/router.hpp"
#include "http_exchange.hpp"
#include "raw_client.hpp"

namespace tavirel::service::http {
namespace {

using namespace std::chrono_literals;
using Phase = Connection::Phase;
using Rig = testing::ExchangeRig;
using tavirel::service::testing::Statuses;

const Connection::Time kStart = Rig::kStart;

std::string Post(std::string_view path, std::string_view fields, std::string_view body) {
  return "POST " + std::string(path) + " HTTP/1.1\r\nHost: h\r\n" + std::string(fields) + "\r\n" +
         std::string(body);
}

TEST(HttpConnection, RequestsReadTheSameHoweverTheirBytesAreSplit) {
  const std::string get = "GET /a HTTP/1.1\r\nHost: h\r\n\r\n";
  struct Row {
    const char* name;
    std::string bytes;
    std::vector<int> statuses;
    std::vector<std::string> bodies;  // as the handlers got them
    bool closed;
  };
  const std::vector<Row> rows = {
      {"two pipelined", get + get, {200, 200}, {"", ""}, false},
      {"length body",
       Post("/a", "Content-Length: 5\r\n", "hello") + get,
       {200, 200},
       {"hello", ""},
       false},
      {"chunked with extension and trailer",
       Post("/a", "Transfer-Encoding: chunked\r\n",
            "3;x=y\r\nabc\r\n2\r\nde\r\n0\r\nT: 1\r\n\r\n") +
           get,
       {200, 200},
       {"abcde", ""},
       false},
      {"blank lines before a request", "\r\n\r\n" + get, {200}, {""}, false},
      {"Connection: close",
       "GET /a HTTP/1.1\r\nHost: h\r\nConnection: close\r\n\r\n" + get,
       {200},
       {""},
       true},
      {"HTTP/1.0 ends after one", "GET /a HTTP/1.0\r\n\r\n" + get, {200}, {""}, true},
      {"refused with a body: the rest is not read",
       Post("/refused", "Content-Length: " + std::to_string(get.size()) + "\r\n", get) + get,
       {401},
       {},
       true},
      {"refused without a body: kept",
       "GET /refused HTTP/1.1\r\nHost: h\r\n\r\n" + get,
       {401, 200},
       {""},
       false},
      {"body past the limit",
       Post("/a", "Content-Length: 33\r\n", std::string(33, 'x')),
       {413},
       {},
       true},
      {"chunks past the limit",
       Post("/a", "Transfer-Encoding: chunked\r\n", "20\r\n" + std::string(32, 'x') + "\r\n1\r\n"),
       {413},
       {},
       true},
      {"chunk size not hex",
       Post("/a", "Transfer-Encoding: chunked\r\n", "zz\r\n") + get,
       {400},
       {},
       true},
      {"chunk without CRLF",
       Post("/a", "Transfer-Encoding: chunked\r\n", "1\r\nab\r\n"),
       {400},
       {},
       true},
      {"chunk line too long",
       Post("/a", "Transfer-Encoding: chunked\r\n", "1;" + std::string(20, 'e')),
       {400},
       {},
       true},
      {"no Host in 1.1", "GET /a HTTP/1.1\r\n\r\n" + get, {400}, {}, true},
      {"a blank before a colon", "GET /a HTTP/1.1\r\nHost : h\r\n\r\n", {400}, {}, true},
      {"a control byte", "GET /a HTTP/1.1\r\nHost: h\r\nX: a\x01\r\n\r\n", {400}, {}, true},
      {"a broken escape", "GET /a%zz HTTP/1.1\r\nHost: h\r\n\r\n", {400}, {}, true},
      {"an escaped NUL", "GET /a%00 HTTP/1.1\r\nHost: h\r\n\r\n", {400}, {}, true},
      {"a target not a path", "GET http://h/a HTTP/1.1\r\nHost: h\r\n\r\n", {400}, {}, true},
      {"too many fields",
       "GET /a HTTP/1.1\r\nHost: h\r\nA: 1\r\nB: 1\r\nC: 1\r\nD: 1\r\n\r\n",
       {431},
       {},
       true},
      {"a line too long", "GET /" + std::string(70, 'a') + " HTTP/1.1\r\n", {414}, {}, true},
      {"Expect other than 100-continue",
       Post("/a", "Expect: magic\r\nContent-Length: 1\r\n", "x"),
       {417},
       {},
       true},
      {"Content-Encoding identity is fine",
       Post("/a", "Content-Encoding: identity\r\nContent-Length: 1\r\n", "x"),
       {200},
       {"x"},
       false},
  };
  for (const auto& row : rows) {
    for (const std::size_t piece : {row.bytes.size(), std::size_t{1}, std::size_t{7}}) {
      Rig rig;
      const std::string out = rig.Exchange(row.bytes, piece);
      EXPECT_EQ(Statuses(out), row.statuses) << row.name << " in pieces of " << piece << ":\n"
                                             << out;
      EXPECT_EQ(rig.bodies, row.bodies) << row.name << " in pieces of " << piece;
      EXPECT_EQ(!rig.Alive(), row.closed) << row.name << " in pieces of " << piece;
    }
  }
}

TEST(HttpConnection, AClientWaitingForContinueGetsItBeforeItsBody) {
  Rig rig;
  rig.connection->Received(Post("/a", "Expect: 100-continue\r\nContent-Length: 2\r\n", ""), kStart);
  EXPECT_EQ(rig.connection->Output(), "HTTP/1.1 100 Continue\r\n\r\n");
  EXPECT_EQ(rig.Exchange("ok", 2).substr(0, 25), "HTTP/1.1 100 Continue\r\n\r\n");
  EXPECT_EQ(rig.bodies, std::vector<std::string>{"ok"});
}

TEST(HttpConnection, EveryPhaseEndsByItsDeadline) {
  struct Row {
    const char* name;
    std::string sent;  // then nothing
    std::chrono::milliseconds deadline;
    int status;  // of the answer then; 0: none, the connection just ends
  };
  const std::string head = "POST /a HTTP/1.1\r\nHost: h\r\nContent-Length: 10\r\n\r\n";
  const Row rows[] = {
      {"idle between requests", "", 5s, 0},
      {"half a head", "GET /a HTTP/1.1\r\n", 5s, 408},  // nothing came for the I/O limit
      {"half a body", head + "12345", 5s, 408},
  };
  for (const auto& row : rows) {
    Rig rig;
    if (!row.sent.empty()) rig.connection->Received(row.sent, kStart);
    ASSERT_EQ(rig.connection->Deadline(), kStart + row.deadline) << row.name;
    rig.connection->Expire(kStart + row.deadline);
    if (row.status == 0) {
      EXPECT_EQ(rig.connection->phase(), Phase::Closed) << row.name;
      continue;
    }
    EXPECT_EQ(Statuses(rig.connection->Output()), std::vector<int>{row.status}) << row.name;
    // The refusal must be read within the I/O limit, then the rest lingers a moment.
    EXPECT_EQ(rig.connection->Deadline(), kStart + row.deadline + 5s) << row.name;
    rig.connection->Sent(rig.connection->Output().size(), kStart + row.deadline);
    EXPECT_TRUE(rig.connection->TakeShutdown()) << row.name;
    EXPECT_EQ(rig.connection->Deadline(), kStart + row.deadline + 1s) << row.name;
  }
}

TEST(HttpConnection, AByteEverySecondStillEndsByTheRequestsDeadline) {
  Rig rig;
  rig.connection->Received("POST /a HTTP/1.1\r\nHost: h\r\nContent-Length: 30\r\n\r\n", kStart);
  auto now = kStart;
  for (int i = 0; i < 9; ++i) {
    now += 1s;
    rig.connection->Received("x", now);
    ASSERT_LT(now, *rig.connection->Deadline());
  }
  EXPECT_EQ(rig.connection->Deadline(), kStart + 10s);  // the request's, not the last byte's
  rig.connection->Expire(kStart + 10s);
  EXPECT_EQ(Statuses(rig.connection->Output()), std::vector<int>{408});
}

TEST(HttpConnection, AStopEndsWhatWaitsAndLetsAnAnswerGo) {
  Rig reading;
  reading.connection->Received("GET /a HTTP/1.1\r\n", kStart);
  reading.connection->Stop(kStart);
  EXPECT_EQ(reading.connection->phase(), Phase::Closed);

  Rig ready;
  ready.connection->Received("GET /a HTTP/1.1\r\nHost: h\r\n\r\n", kStart);
  ASSERT_TRUE(ready.connection->Dispatchable());
  ready.connection->Stop(kStart);
  EXPECT_EQ(Statuses(ready.connection->Output()), std::vector<int>{503});

  Rig handling;
  handling.connection->Received("GET /a HTTP/1.1\r\nHost: h\r\n\r\n", kStart);
  handling.connection->BeginHandling();
  handling.connection->Stop(kStart);
  handling.connection->Handled(false, kStart);
  EXPECT_NE(handling.connection->Output().find("Connection: close"), std::string_view::npos);
}

TEST(HttpRouter, CapturesOtherMethodsAndUnknownPaths) {
  Router router;
  std::string seen;
  router.Get(R"(/things/([^/]+))", [&](const Request& req, Response&) { seen = req.matches[1]; });
  router.Post("/things", [&](const Request&, Response&) { seen = "posted"; });
  struct Row {
    const char* method;
    const char* path;
    std::optional<int> refusal;
    const char* seen;
    const char* allow;
  };
  const Row rows[] = {
      {"GET", "/things/a b", std::nullopt, "a b", ""},
      {"HEAD", "/things/x", std::nullopt, "x", ""},
      {"POST", "/things", std::nullopt, "posted", ""},
      {"DELETE", "/things/x", 405, "", "GET"},
      {"GET", "/things", 405, "", "POST"},
      {"GET", "/things/x/y", 404, "", ""},
  };
  for (const auto& row : rows) {
    seen.clear();
    Request req;
    req.method = row.method;
    req.path = row.path;
    Response res;
    const auto refusal = router.Route(req, res);
    EXPECT_EQ(refusal ? std::optional<int>(refusal->status) : std::nullopt, row.refusal)
        << row.method << " " << row.path;
    EXPECT_EQ(seen, row.seen) << row.method << " " << row.path;
    EXPECT_EQ(res.headers.Find("Allow").value_or(""), row.allow) << row.method << " " << row.path;
  }
}

}  // namespace
}  // namespace tavirel::service::http
