#pragma once
// A small HTTP/1.1 server. One thread (the one that calls Serve) accepts
// connections and reads every request whole without ever waiting on a
// client; only whole requests go to the handler threads, so clients that
// send slowly cost a connection each and delay nobody. Connections open at
// once are bounded (handlers + waiting_connections): when full, the one
// that has waited longest without sending a whole request is closed to make
// room, those still reading a head first.
//
// Thread safety: Bind, then Serve on one thread; Stop from any thread, at
// any time, as often as wanted. The routes run on the handler threads.
#include <atomic>
#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "connection.hpp"
#include "router.hpp"
#include "socket.hpp"

namespace tavirel::service::http {

struct ServerHooks {
  /// See ConnectionPolicy: on the loop's thread, before a body is read.
  std::function<bool(const Request&, Response&)> gate;
  /// The answer to a request the server or the router refuses.
  std::function<void(const Request&, Response&, const Refusal&)> refuse;
  /// The answer to a request whose route threw (on the handler's thread).
  std::function<void(const Request&, Response&, const std::exception_ptr&)> failed;
  /// Every answer, as it goes out.
  std::function<void(const Request&, const Response&)> answered;
};

class Server {
 public:
  Server(HttpLimits limits, const Router& router, ServerHooks hooks);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  /// Listens on `host`:`port` (0: a free port); returns the port. Throws
  /// std::system_error naming the address.
  int Bind(const std::string& host, int port);
  /// Serves until Stop: then accepts no more, ends connections between
  /// requests, lets the requests being handled finish and their answers go
  /// (each within its write limit), and returns. Returns at once when Stop
  /// came first.
  void Serve();
  /// Ends Serve, whether it has begun or not.
  void Stop();

  /// Connections open now (for tests and metrics).
  [[nodiscard]] std::size_t OpenConnections() const { return open_; }

 private:
  struct Slot;
  class Loop;

  ConnectionPolicy policy_;
  const Router& router_;
  ServerHooks hooks_;
  Socket listener_;
  Waker waker_;
  std::atomic<bool> stopping_{false};
  std::atomic<std::size_t> open_{0};
};

}  // namespace tavirel::service::http
