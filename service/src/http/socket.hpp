#pragma once
// The few socket calls the HTTP server makes, behind one small interface: a
// POSIX file (socket_posix.cpp) or Winsock (socket_win.cpp). Sockets are
// non-blocking; nothing here waits except Poll.
//
// Thread safety: a Socket is used by one thread at a time; Waker::Notify
// may be called from any thread.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tavirel::service::http {

/// An open socket (or the read end of a waker), closed with the object.
class Socket {
 public:
  Socket() = default;
  explicit Socket(std::intptr_t handle) : handle_(handle) {}
  ~Socket() { Close(); }
  Socket(Socket&& other) noexcept : handle_(other.handle_) { other.handle_ = -1; }
  Socket& operator=(Socket&& other) noexcept;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  [[nodiscard]] bool Valid() const { return handle_ != -1; }
  [[nodiscard]] std::intptr_t Handle() const { return handle_; }
  void Close();

 private:
  std::intptr_t handle_ = -1;
};

enum class Io { Done, WouldBlock, Ended, Failed };

struct IoResult {
  Io status = Io::Done;
  std::size_t bytes = 0;
};

/// A socket listening on `host` (an address or "localhost") and `port` (0:
/// any free port) with room for `backlog` connections not yet accepted; its
/// port goes to `bound_port`. Throws std::system_error naming the address.
Socket Listen(const std::string& host, int port, int backlog, int& bound_port);

/// A waiting connection, non-blocking and without Nagle's delay, with the
/// client's address in `peer`; an invalid Socket when none waits.
Socket Accept(const Socket& listener, std::string& peer);

/// Reads at most `size` bytes: Done with the count, WouldBlock, Ended when
/// the client closed its side, Failed.
IoResult Receive(const Socket& socket, char* data, std::size_t size);

/// Writes at most `size` bytes (never raising SIGPIPE).
IoResult Send(const Socket& socket, const char* data, std::size_t size);

/// No more writes: the client reads the end after what was sent.
void ShutdownWrite(const Socket& socket);

struct PollItem {
  const Socket* socket = nullptr;
  bool read = false;  // wait for these
  bool write = false;
  bool readable = false;  // what came (a hang-up or error counts as readable)
  bool writable = false;
};

/// Waits up to `limit` until one of `items` can go on, and says which.
void Poll(std::vector<PollItem>& items, std::chrono::milliseconds limit);

/// Wakes a Poll on another thread: its Socket is readable once notified.
class Waker {
 public:
  Waker();
  ~Waker();
  Waker(const Waker&) = delete;
  Waker& operator=(const Waker&) = delete;

  void Notify();
  /// Takes the notifications, so Poll waits again.
  void Drain();
  [[nodiscard]] const Socket& Readable() const { return read_; }

 private:
  Socket read_;
  Socket write_;
};

}  // namespace tavirel::service::http
