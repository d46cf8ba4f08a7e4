#pragma once
// A connection of the HTTP server driven without a socket or a clock, for
// its tests and its fuzz target: bytes go in in pieces, each whole request
// is handled at once by echoing its body (HEAD: none), and what would go
// back to the client is gathered. Its gate refuses the path /refused with
// 401.
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "http/connection.hpp"

namespace tavirel::service::http::testing {

/// Small limits, so every bound is reached with a few bytes.
inline HttpLimits SmallLimits() {
  using namespace std::chrono_literals;
  HttpLimits limits;
  limits.line_bytes = 64;
  limits.head_bytes = 256;
  limits.header_fields = 4;
  limits.body_bytes = 32;
  limits.chunk_line_bytes = 16;
  limits.request_time = 10s;
  limits.io_time = 5s;
  limits.keep_alive = 5s;
  limits.linger = 1s;
  return limits;
}

struct ExchangeRig {
  static constexpr Connection::Time kStart{};

  explicit ExchangeRig(HttpLimits limits = SmallLimits()) {
    policy.limits = limits;
    policy.gate = [](const Request& req, Response& res) {
      if (req.path != "/refused") return false;
      res.status = 401;
      return true;
    };
    connection.emplace(policy, "127.0.0.1", kStart);
  }
  ExchangeRig(const ExchangeRig&) = delete;
  ExchangeRig& operator=(const ExchangeRig&) = delete;

  /// What the client gets back for `bytes`, fed in pieces of `piece` bytes
  /// until the connection no longer reads requests.
  std::string Exchange(std::string_view bytes, std::size_t piece) {
    std::string out;
    for (std::size_t at = 0; at < bytes.size() && Alive(); at += piece) {
      connection->Received(bytes.substr(at, piece), kStart);
      Drive(out);
    }
    return out;
  }

  /// Handles what is ready and takes what is to be sent, until neither.
  void Drive(std::string& out) {
    while (Alive()) {
      if (connection->Dispatchable()) {
        connection->BeginHandling();
        bodies.push_back(connection->request().body);
        // A HEAD answer's length is its GET's, with no body: echo nothing.
        const bool head = connection->request().method == "HEAD";
        connection->response().SetContent(head ? "" : connection->request().body, "text/plain");
        connection->Handled(false, kStart);
      }
      if (connection->Output().empty()) return;
      out += connection->Output();
      connection->Sent(connection->Output().size(), kStart);
    }
  }

  /// Still reading requests (not closed, not closing).
  [[nodiscard]] bool Alive() const {
    return connection->phase() != Connection::Phase::Closed &&
           connection->phase() != Connection::Phase::Draining;
  }

  ConnectionPolicy policy;
  std::optional<Connection> connection;
  std::vector<std::string> bodies;  // of the requests handled, in order
};

}  // namespace tavirel::service::http::testing
