#pragma once
// One client connection as a state machine, without a socket: the server's
// loop hands it what it read and sends what it has to send. A request is
// read whole (head, then body) before a handler sees it, each phase within
// its deadline; a request refused before its body is read ends its
// connection, so nothing after it is ever read as a request; the unread
// rest is discarded for a moment (so the client reads the refusal instead
// of a reset) and the connection closes.
//
// Time is given by the caller, so the deadlines are tested on a fake clock.
//
// Thread safety: one thread at a time: the loop, or the handler's thread
// while the phase is Handling.
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "body_reader.hpp"
#include "head_parser.hpp"
#include "limits.hpp"
#include "message.hpp"

namespace tavirel::service::http {

/// What a connection asks of the service, on the loop's thread.
struct ConnectionPolicy {
  HttpLimits limits;
  /// Looks at a request before its body is read (Host, origin, token): true
  /// when it answered it in the response (a refusal, a CORS preflight), and
  /// the body is never read. Headers it sets stay on the route's answer.
  std::function<bool(const Request&, Response&)> gate;
  /// Writes the answer to a request the server refuses itself (the request
  /// may be partly read, or empty).
  std::function<void(const Request&, Response&, const Refusal&)> refuse;
  /// Told of every answer as it is queued (a streamed one as it starts).
  std::function<void(const Request&, const Response&)> answered;
};

class Connection {
 public:
  using Time = std::chrono::steady_clock::time_point;
  enum class Phase {
    Idle,      // between requests
    Head,      // reading a request's head
    Body,      // reading its body
    Ready,     // read whole, waiting for a handler
    Handling,  // a handler has it
    Writing,   // sending an answer
    Draining,  // answered and closing: what comes is discarded
    Closed,
  };

  Connection(const ConnectionPolicy& policy, std::string remote_address, Time now);

  [[nodiscard]] Phase phase() const { return phase_; }
  /// When the present phase began (a request's first byte while reading it).
  [[nodiscard]] Time Since() const { return since_; }

  /// True when the loop should read from the client now.
  [[nodiscard]] bool WantsInput() const;
  /// Bytes from the client.
  void Received(std::string_view bytes, Time now);
  /// The client closed its side, or the connection failed.
  void Ended();

  /// What waits to be sent.
  [[nodiscard]] std::string_view Output() const { return out_; }
  /// `bytes` of Output() went.
  void Sent(std::size_t bytes, Time now);
  /// True once, when the answer that ends the connection has gone: the loop
  /// shuts the socket's sending side, then the rest is discarded.
  bool TakeShutdown();

  /// Ready, with nothing left to send (a "100 Continue"): a handler may
  /// take it.
  [[nodiscard]] bool Dispatchable() const { return phase_ == Phase::Ready && out_.empty(); }
  /// The request and its answer, for the handler (Ready -> Handling).
  void BeginHandling() { phase_ = Phase::Handling; }
  [[nodiscard]] Request& request() { return request_; }
  [[nodiscard]] Response& response() { return response_; }
  /// The handler is done: its answer goes out, or it streamed it already
  /// and the connection ends.
  void Handled(bool streamed, Time now);

  /// When the present phase must end; none while Ready or Handling.
  [[nodiscard]] std::optional<Time> Deadline() const;
  /// The deadline passed: a request being read is answered 408 and the
  /// connection ends; otherwise it just ends.
  void Expire(Time now);
  /// The server stops: between requests or in the middle of reading one the
  /// connection ends now; one read whole and waiting is answered 503; one
  /// being handled or answered ends after its answer.
  void Stop(Time now);
  /// Closed by the server to make room for another (it had not sent a
  /// whole request).
  void Evict() { phase_ = Phase::Closed; }

 private:
  void Advance(Time now);
  bool ReadHead(Time now);
  void Refuse(const Refusal& refusal, Time now);
  void Answer(bool close, Time now);
  [[nodiscard]] bool WantsClose() const;

  const ConnectionPolicy& policy_;
  std::string remote_;
  Phase phase_ = Phase::Idle;
  Time since_;
  Time last_io_;
  std::string in_;   // read, not yet taken by a request
  std::string out_;  // to send
  HeadScanner scanner_;
  std::optional<BodyReader> body_;
  Request request_;
  Response response_;
  std::size_t answered_ = 0;  // requests answered on this connection
  std::size_t drained_ = 0;   // bytes discarded while closing
  bool closing_ = false;      // the answer being sent is the last
  bool shutdown_due_ = false;
  bool stopping_ = false;
};

}  // namespace tavirel::service::http
