#pragma once
// The HTTP server: cpp-httplib's request handling over connections served
// our way, so every client is bounded. A request's head (request line and
// headers) must arrive whole within a time limit and a size limit, every
// read and write has its own time limit, an idle kept-alive connection is
// closed, and the listening backlog is ours (the library's is 5: a burst of
// clients connecting at once overflowed it and was reset).
//
// Thread safety: as httplib::Server; each connection is served on one
// thread of the pool.
#include <httplib.h>
#include <poll.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>

namespace tavirel::service {

struct ConnectionLimits {
  std::chrono::milliseconds io_timeout{5000};     // one read or one write
  std::chrono::milliseconds head_timeout{10000};  // the request line and headers, whole
  std::size_t head_bytes = 32 * 1024;             // the request line and headers, whole
  std::chrono::milliseconds keep_alive{5000};     // waiting for the next request
  std::size_t requests = 100;                     // on one connection
};

class HttpServer final : public httplib::Server {
 public:
  explicit HttpServer(ConnectionLimits limits) : limits_(limits) {}
  ~HttpServer() override;
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;
  /// Sets the listening socket's backlog (after binding).
  void Backlog(int connections);
  /// Stops accepting, whether or not the accepting loop has begun: a loop
  /// that has not begun returns at once, one that waits in accept wakes.
  /// (The library's own stop does nothing until its loop has marked itself
  /// running, so a stop just after the start was lost and the loop served
  /// on.) Safe from any thread, more than once.
  void StopListening();

 private:
  bool process_and_close_socket(socket_t sock) override;
  [[nodiscard]] bool Stopping() const { return svr_sock_ == INVALID_SOCKET; }

  ConnectionLimits limits_;
  std::atomic<socket_t> stopped_sock_{INVALID_SOCKET};  // closed with the server
};

/// One client connection as the request handling reads and writes it, with
/// the limits above. Exposed for its tests.
class ConnectionStream final : public httplib::Stream {
 public:
  ConnectionStream(int fd, const ConnectionLimits& limits) : fd_(fd), limits_(limits) {}

  /// Waits up to the keep-alive limit for the next request's first byte,
  /// giving up early when `stopping` says so. False when none came.
  template <typename Stopping>
  bool WaitForRequest(Stopping stopping);
  /// A new request starts: its head is counted and timed afresh.
  void BeginRequest();
  /// True once a read or write failed (a limit passed, the client gone):
  /// the connection is not kept for another request.
  [[nodiscard]] bool Broken() const { return broken_; }

  bool is_readable() const override;
  bool is_writable() const override;
  ssize_t read(char* ptr, size_t size) override;
  ssize_t write(const char* ptr, size_t size) override;
  void get_remote_ip_and_port(std::string& ip, int& port) const override;
  void get_local_ip_and_port(std::string& ip, int& port) const override;
  socket_t socket() const override { return fd_; }

 private:
  bool Poll(short events, std::chrono::milliseconds limit) const;
  void Count(const char* data, std::size_t size);
  ssize_t Fail();

  int fd_;
  ConnectionLimits limits_;
  std::array<char, 4096> buffer_{};  // the request handling reads its lines a byte at a time
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  bool in_head_ = true;
  bool broken_ = false;
  std::size_t head_read_ = 0;
  int crlf_matched_ = 0;  // of "\r\n\r\n", across reads
  std::chrono::steady_clock::time_point head_deadline_{};
};

template <typename Stopping>
bool ConnectionStream::WaitForRequest(Stopping stopping) {
  const auto deadline = std::chrono::steady_clock::now() + limits_.keep_alive;
  while (!stopping()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    if (begin_ != end_ || Poll(POLLIN, std::min(left, std::chrono::milliseconds(100)))) return true;
  }
  return false;
}

}  // namespace tavirel::service
