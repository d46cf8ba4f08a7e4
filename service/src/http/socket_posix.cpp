// The HTTP server's sockets on POSIX.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "socket.hpp"

namespace tavirel::service::http {
namespace {

int Fd(const Socket& socket) { return static_cast<int>(socket.Handle()); }

void NonBlocking(int fd) {
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}

std::string AddressText(const sockaddr_storage& address) {
  char text[INET6_ADDRSTRLEN] = {};
  if (address.ss_family == AF_INET) {
    ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(address).sin_addr, text,
                sizeof text);
  } else if (address.ss_family == AF_INET6) {
    ::inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(address).sin6_addr, text,
                sizeof text);
  }
  return text;
}

int PortOf(int fd) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return -1;
  if (address.ss_family == AF_INET) {
    return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
  }
  return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
}

bool Retry(ssize_t got) { return got < 0 && errno == EINTR; }

IoResult Outcome(ssize_t got) {
  if (got > 0) return {Io::Done, static_cast<std::size_t>(got)};
  if (got == 0) return {Io::Ended, 0};
  if (errno == EAGAIN || errno == EWOULDBLOCK) return {Io::WouldBlock, 0};
  return {Io::Failed, 0};
}

}  // namespace

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    other.handle_ = -1;
  }
  return *this;
}

void Socket::Close() {
  if (handle_ != -1) ::close(static_cast<int>(handle_));
  handle_ = -1;
}

Socket Listen(const std::string& host, int port, int backlog, int& bound_port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  const std::string where = host + ":" + service;
  if (const int error = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found); error != 0) {
    throw std::system_error(std::make_error_code(std::errc::address_not_available),
                            where + ": " + ::gai_strerror(error));
  }
  int last_error = EADDRNOTAVAIL;
  for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
    Socket socket(::socket(a->ai_family, a->ai_socktype, a->ai_protocol));
    if (!socket.Valid()) {
      last_error = errno;
      continue;
    }
    const int fd = Fd(socket);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(fd, a->ai_addr, a->ai_addrlen) != 0 || ::listen(fd, backlog) != 0) {
      last_error = errno;
      continue;
    }
    NonBlocking(fd);
    bound_port = PortOf(fd);
    ::freeaddrinfo(found);
    return socket;
  }
  ::freeaddrinfo(found);
  throw std::system_error(last_error, std::generic_category(), where);
}

Socket Accept(const Socket& listener, std::string& peer) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  int fd = -1;
  do {
    fd = ::accept(Fd(listener), reinterpret_cast<sockaddr*>(&address), &length);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return Socket();
  NonBlocking(fd);
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  peer = AddressText(address);
  return Socket(fd);
}

IoResult Receive(const Socket& socket, char* data, std::size_t size) {
  ssize_t got = 0;
  do {
    got = ::recv(Fd(socket), data, size, 0);
  } while (Retry(got));
  return Outcome(got);
}

IoResult Send(const Socket& socket, const char* data, std::size_t size) {
  ssize_t got = 0;
  do {
    got = ::send(Fd(socket), data, size, MSG_NOSIGNAL);
  } while (Retry(got));
  if (got == 0) return {Io::WouldBlock, 0};
  return Outcome(got);
}

void ShutdownWrite(const Socket& socket) { ::shutdown(Fd(socket), SHUT_WR); }

void Poll(std::vector<PollItem>& items, std::chrono::milliseconds limit) {
  std::vector<pollfd> fds;
  fds.reserve(items.size());
  for (const PollItem& item : items) {
    const short events = static_cast<short>((item.read ? POLLIN : 0) | (item.write ? POLLOUT : 0));
    fds.push_back(pollfd{Fd(*item.socket), events, 0});
  }
  int got = 0;
  do {
    got = ::poll(fds.data(), fds.size(), static_cast<int>(limit.count()));
  } while (got < 0 && errno == EINTR);
  for (std::size_t i = 0; i < items.size(); ++i) {
    const short revents = got > 0 ? fds[i].revents : 0;
    const bool broken = (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    items[i].readable = items[i].read && ((revents & POLLIN) != 0 || broken);
    items[i].writable = items[i].write && ((revents & POLLOUT) != 0 || broken);
  }
}

Waker::Waker() {
  int fds[2];
  if (::pipe(fds) != 0) throw std::system_error(errno, std::generic_category(), "pipe");
  NonBlocking(fds[0]);
  NonBlocking(fds[1]);
  read_ = Socket(fds[0]);
  write_ = Socket(fds[1]);
}

Waker::~Waker() = default;

void Waker::Notify() {
  const char one = 1;
  [[maybe_unused]] const ssize_t ignored = ::write(Fd(write_), &one, 1);  // full: already woken
}

void Waker::Drain() {
  char buffer[256];
  while (::read(Fd(read_), buffer, sizeof buffer) > 0) {
  }
}

}  // namespace tavirel::service::http
