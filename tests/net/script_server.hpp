#pragma once
// A TCP server of the tests' own on 127.0.0.1, on a port the system picks:
// the test accepts, reads what the port sent and answers byte by byte, so
// every exchange is scripted. Also the answers an RFC 2217 server gives at
// the start of a connection.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <utility>

namespace tavirel::test {

inline std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

/// One accepted connection; closed when destroyed.
class ScriptConnection {
 public:
  explicit ScriptConnection(int fd) : fd_(fd) {}
  ScriptConnection(ScriptConnection&& o) noexcept : fd_(std::exchange(o.fd_, -1)) {}
  ScriptConnection& operator=(ScriptConnection&& o) noexcept {
    if (this != &o) {
      Close();
      fd_ = std::exchange(o.fd_, -1);
    }
    return *this;
  }
  ~ScriptConnection() { Close(); }

  void Send(const std::string& bytes) const {
    if (::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(bytes.size()))
      throw std::runtime_error("script server: send failed");
  }
  /// Reads until `count` bytes have come or `limit` has passed.
  [[nodiscard]] std::string Read(std::size_t count,
                                 std::chrono::milliseconds limit = std::chrono::seconds(2)) const {
    std::string got;
    const auto end = std::chrono::steady_clock::now() + limit;
    while (got.size() < count) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      pollfd p{fd_, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
      char buf[4096];
      const ssize_t n = ::recv(fd_, buf, std::min(sizeof buf, count - got.size()), 0);
      if (n <= 0) break;
      got.append(buf, static_cast<std::size_t>(n));
    }
    return got;
  }
  /// Everything that arrives within `quiet`.
  [[nodiscard]] std::string Drain(
      std::chrono::milliseconds quiet = std::chrono::milliseconds(50)) const {
    return Read(1 << 20, quiet);
  }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  [[nodiscard]] int Fd() const { return fd_; }

 private:
  int fd_;
};

class ScriptServer {
 public:
  /// `receive_buffer` > 0 shrinks what accepted connections buffer.
  explicit ScriptServer(int receive_buffer = 0) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (receive_buffer > 0)
      ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t len = sizeof a;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_, 4) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
      throw std::runtime_error("script server: cannot listen");
    port_ = ntohs(a.sin_port);
  }
  ~ScriptServer() { Stop(); }
  ScriptServer(const ScriptServer&) = delete;
  ScriptServer& operator=(const ScriptServer&) = delete;

  [[nodiscard]] int Port() const { return port_; }
  [[nodiscard]] std::string Url(const std::string& scheme, const std::string& query = "") const {
    return scheme + "://127.0.0.1:" + std::to_string(port_) + query;
  }
  /// The next connection; throws when none comes within `limit`.
  [[nodiscard]] ScriptConnection Accept(std::chrono::milliseconds limit = std::chrono::seconds(2)) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(limit.count())) <= 0)
      throw std::runtime_error("script server: no connection came");
    return ScriptConnection(::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC));
  }
  /// Stops listening: later connections are refused.
  void Stop() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
  int port_ = 0;
};

// What our RFC 2217 port sends first, and what a server answers to agree.
inline const std::string kClientOffers = Bytes({255, 251, 0, 255, 253, 0, 255, 251, 44});
inline const std::string kServerAgrees = Bytes({255, 253, 0, 255, 251, 0, 255, 253, 44});

/// A COM-PORT-OPTION subnegotiation.
inline std::string ComPort(std::initializer_list<int> command) {
  return Bytes({255, 250, 44}) + Bytes(command) + Bytes({255, 240});
}

/// The server's answers to the settings requests in `requests` (each SET
/// answered with the value it asked for, as a server that takes them does).
inline std::string EchoSettings(const std::string& requests) {
  std::string answers;
  for (std::size_t i = 0; i + 3 < requests.size(); ++i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(requests[k]); };
    if (b(i) != 255 || b(i + 1) != 250 || b(i + 2) != 44) continue;
    const unsigned code = b(i + 3);
    if (code < 1 || code > 4) continue;
    const std::size_t end = requests.find(Bytes({255, 240}), i);
    answers += Bytes({255, 250, 44, static_cast<int>(code + 100)}) +
               requests.substr(i + 4, end - i - 4) + Bytes({255, 240});
    i = end;
  }
  return answers;
}

/// Plays a server that agrees and takes the settings; returns what the
/// port sent after its offers (the settings and the mask).
inline std::string AgreeAndTakeSettings(const ScriptConnection& c, bool expect_mask = true) {
  const std::string offers = c.Read(kClientOffers.size());
  if (offers != kClientOffers) throw std::runtime_error("script server: unexpected offers");
  c.Send(kServerAgrees);
  // Four settings (baud 10 bytes, the others 7) and the mask (7).
  const std::string requests = c.Read(31 + (expect_mask ? 7 : 0));
  c.Send(EchoSettings(requests));
  return requests;
}

}  // namespace tavirel::test
