#include "http_server.hpp"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace tavirel::service {
namespace {

void Address(int fd, bool peer, std::string& ip, int& port) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  const int got = peer ? ::getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length)
                       : ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  if (got != 0) return;
  char text[INET6_ADDRSTRLEN] = {};
  if (address.ss_family == AF_INET) {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
    ::inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
    port = ntohs(v4->sin_port);
  } else if (address.ss_family == AF_INET6) {
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
    ::inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
    port = ntohs(v6->sin6_port);
  }
  ip = text;
}

}  // namespace

HttpServer::~HttpServer() {
  // Closed only now: the accepting thread may still hold the number, and a
  // closed number could be given to another socket before it calls accept.
  const socket_t sock = stopped_sock_.exchange(INVALID_SOCKET);
  if (sock != INVALID_SOCKET) ::close(sock);
}

void HttpServer::Backlog(int connections) { ::listen(svr_sock_, connections); }

void HttpServer::StopListening() {
  const socket_t sock = svr_sock_.exchange(INVALID_SOCKET);
  if (sock == INVALID_SOCKET) return;
  ::shutdown(sock, SHUT_RDWR);  // a waiting accept fails at once, a later one too
  stopped_sock_ = sock;
}

bool HttpServer::process_and_close_socket(socket_t sock) {
  ConnectionStream stream(sock, limits_);
  bool ok = true;
  for (std::size_t left = limits_.requests; left > 0 && !Stopping(); --left) {
    if (!stream.WaitForRequest([this] { return Stopping(); })) break;
    stream.BeginRequest();
    bool closed = false;
    ok = process_request(stream, left == 1 || Stopping(), closed, nullptr);
    if (!ok || closed || stream.Broken()) break;
  }
  ::shutdown(sock, SHUT_RDWR);
  ::close(sock);
  return ok;
}

void ConnectionStream::BeginRequest() {
  in_head_ = true;
  head_read_ = 0;
  crlf_matched_ = 0;
  head_deadline_ = std::chrono::steady_clock::now() + limits_.head_timeout;
}

bool ConnectionStream::Poll(short events, std::chrono::milliseconds limit) const {
  pollfd p{fd_, events, 0};
  int got = 0;
  do {
    got = ::poll(&p, 1, static_cast<int>(limit.count()));
  } while (got < 0 && errno == EINTR);
  return got > 0 && (p.revents & (events | POLLHUP | POLLERR)) != 0;
}

bool ConnectionStream::is_readable() const {
  if (begin_ != end_) return true;
  auto limit = limits_.io_timeout;
  if (in_head_) {
    // A head sent a byte at a time still ends by its own deadline.
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        head_deadline_ - std::chrono::steady_clock::now());
    limit = std::max(std::chrono::milliseconds(0), std::min(limit, left));
  }
  return Poll(POLLIN, limit);
}

bool ConnectionStream::is_writable() const { return Poll(POLLOUT, limits_.io_timeout); }

ssize_t ConnectionStream::read(char* ptr, size_t size) {
  if (begin_ == end_) {
    if (!is_readable()) return Fail();
    ssize_t n = 0;
    do {
      n = ::recv(fd_, buffer_.data(), buffer_.size(), 0);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) return Fail();
    begin_ = 0;
    end_ = static_cast<std::size_t>(n);
  }
  const std::size_t take = std::min(size, end_ - begin_);
  std::copy_n(buffer_.data() + begin_, take, ptr);
  if (in_head_) {
    Count(buffer_.data() + begin_, take);
    if (in_head_ && head_read_ > limits_.head_bytes) return Fail();  // a head without end
  }
  begin_ += take;
  return static_cast<ssize_t>(take);
}

void ConnectionStream::Count(const char* data, std::size_t size) {
  static constexpr char kEnd[] = "\r\n\r\n";
  for (std::size_t i = 0; i < size && in_head_; ++i) {
    ++head_read_;
    if (data[i] == kEnd[crlf_matched_]) {
      if (++crlf_matched_ == 4) in_head_ = false;
    } else {
      crlf_matched_ = data[i] == '\r' ? 1 : 0;
    }
  }
}

ssize_t ConnectionStream::write(const char* ptr, size_t size) {
  if (!is_writable()) return Fail();
  ssize_t n = 0;
  do {
    n = ::send(fd_, ptr, size, MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  return n < 0 ? Fail() : n;
}

ssize_t ConnectionStream::Fail() {
  broken_ = true;
  return -1;
}

void ConnectionStream::get_remote_ip_and_port(std::string& ip, int& port) const {
  Address(fd_, true, ip, port);
}

void ConnectionStream::get_local_ip_and_port(std::string& ip, int& port) const {
  Address(fd_, false, ip, port);
}

}  // namespace tavirel::service
