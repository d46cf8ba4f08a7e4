#pragma once
// A client on a bare socket, for requests no HTTP library would send: what
// it sends is exactly what the test wrote, and what comes back is read as
// responses (status lines and Content-Length bodies) until the service
// closes the connection or a limit passes.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavirel::service::testing {

/// A connection to 127.0.0.1:`port`, closed with the object.
class RawConnection {
 public:
  explicit RawConnection(int port) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) Close();
  }
  ~RawConnection() { Close(); }
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;

  [[nodiscard]] bool Open() const { return fd_ >= 0; }
  [[nodiscard]] int fd() const { return fd_; }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  /// Sends all of `bytes`; false once the service no longer takes them.
  bool Send(std::string_view bytes) const {
    while (!bytes.empty()) {
      const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (sent <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
  }

 private:
  int fd_;
};

/// The statuses of the whole responses at the start of `data`, in order.
inline std::vector<int> Statuses(std::string_view data) {
  std::vector<int> statuses;
  while (data.starts_with("HTTP/1.1 ") && data.size() >= 12) {
    const auto end = data.find("\r\n\r\n");
    if (end == std::string_view::npos) break;
    const std::string_view head = data.substr(0, end);
    std::size_t length = 0;
    for (const char* name : {"\r\nContent-Length: ", "\r\ncontent-length: "}) {
      const auto at = head.find(name);
      if (at != std::string_view::npos) length = std::stoul(std::string(head.substr(at + 18)));
    }
    if (data.size() < end + 4 + length) break;
    statuses.push_back(std::stoi(std::string(data.substr(9, 3))));
    data.remove_prefix(end + 4 + length);
  }
  return statuses;
}

struct Received {
  std::string data;
  bool closed = false;  // the service closed (or reset) the connection
  std::chrono::milliseconds took{0};
};

/// Reads until the service closes the connection, or `responses` whole
/// responses came and then nothing for `quiet`, or `limit` passed.
inline Received ReadResponses(int fd, std::size_t responses, std::chrono::milliseconds limit,
                              std::chrono::milliseconds quiet = std::chrono::milliseconds(300)) {
  Received got;
  const auto start = std::chrono::steady_clock::now();
  auto last = start;
  char buffer[65536];
  while (true) {
    const auto now = std::chrono::steady_clock::now();
    if (now - start >= limit) break;
    if (Statuses(got.data).size() >= responses && now - last >= quiet) break;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 20) != 1) continue;
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n <= 0) {
      got.closed = true;
      break;
    }
    got.data.append(buffer, static_cast<std::size_t>(n));
    last = std::chrono::steady_clock::now();
  }
  got.took = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  return got;
}

}  // namespace tavirel::service::testing
