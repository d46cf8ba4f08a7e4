// The HTTP server's sockets on Winsock. Every valid Socket made here holds
// one use of Winsock (WSAStartup counts its users; Close gives the use
// back), so a listener, a connection or a waker works whatever else of the
// process uses Winsock, and in whatever order they are closed. The waker is
// a pair of loopback datagram sockets: only sockets wait together in WSAPoll.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <system_error>

#include "socket.hpp"

namespace tavirel::service::http {
namespace {

SOCKET Native(const Socket& socket) { return static_cast<SOCKET>(socket.Handle()); }

[[noreturn]] void Fail(int error, const std::string& what) {
  throw std::system_error(error, std::system_category(), what);
}

// Takes one use of Winsock for a socket about to be made; false when
// Winsock does not start (the error is then in `error`).
bool UseWinsock(int& error) {
  WSADATA data;
  error = ::WSAStartup(MAKEWORD(2, 2), &data);
  return error == 0;
}

// A socket of the given kind holding its own use of Winsock.
Socket MakeSocket(int family, int type, int protocol, int& error) {
  if (!UseWinsock(error)) return Socket();
  const SOCKET s = ::WSASocketW(family, type, protocol, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
  if (s == INVALID_SOCKET) {
    error = ::WSAGetLastError();
    ::WSACleanup();
    return Socket();
  }
  return Socket(static_cast<std::intptr_t>(s));
}

bool NonBlocking(SOCKET s) {
  u_long on = 1;
  return ::ioctlsocket(s, FIONBIO, &on) == 0;
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

int PortOf(SOCKET s) {
  sockaddr_storage address{};
  int length = sizeof address;
  if (::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) return -1;
  if (address.ss_family == AF_INET) {
    return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
  }
  return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
}

int Chunk(std::size_t size) { return static_cast<int>(size > 1U << 30 ? 1U << 30 : size); }

IoResult Outcome(int got) {
  if (got > 0) return {Io::Done, static_cast<std::size_t>(got)};
  if (got == 0) return {Io::Ended, 0};
  const int error = ::WSAGetLastError();
  if (error == WSAEWOULDBLOCK || error == WSAEINTR) return {Io::WouldBlock, 0};
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
  if (handle_ != -1) {
    ::closesocket(static_cast<SOCKET>(handle_));
    ::WSACleanup();  // the use this socket held
  }
  handle_ = -1;
}

Socket Listen(const std::string& host, int port, int backlog, int& bound_port) {
  const std::string service = std::to_string(port);
  const std::string where = host + ":" + service;
  int error = 0;
  if (!UseWinsock(error)) Fail(error, where + ": Winsock does not start");
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE;
  addrinfo* found = nullptr;
  error = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
  ::WSACleanup();  // each socket below takes its own use
  if (error != 0) {
    throw std::system_error(std::make_error_code(std::errc::address_not_available),
                            where + ": " + std::system_category().message(error));
  }
  int last_error = WSAEADDRNOTAVAIL;
  for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
    Socket socket = MakeSocket(a->ai_family, a->ai_socktype, a->ai_protocol, last_error);
    if (!socket.Valid()) continue;
    const SOCKET s = Native(socket);
    // Windows lets SO_REUSEADDR take a port another program listens on:
    // exclusive use instead, as a POSIX bind behaves.
    const BOOL on = TRUE;
    ::setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on), sizeof on);
    if (::bind(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) != 0 || ::listen(s, backlog) != 0 ||
        !NonBlocking(s)) {
      last_error = ::WSAGetLastError();
      continue;
    }
    bound_port = PortOf(s);
    ::freeaddrinfo(found);
    return socket;
  }
  ::freeaddrinfo(found);
  Fail(last_error, where);
}

Socket Accept(const Socket& listener, std::string& peer) {
  int error = 0;
  if (!UseWinsock(error)) return Socket();
  sockaddr_storage address{};
  int length = sizeof address;
  const SOCKET s = ::accept(Native(listener), reinterpret_cast<sockaddr*>(&address), &length);
  if (s == INVALID_SOCKET) {
    ::WSACleanup();
    return Socket();
  }
  Socket socket(static_cast<std::intptr_t>(s));
  // An accepted socket inherits the listener's non-blocking mode on
  // Windows; set anyway, so nothing here depends on that.
  NonBlocking(s);
  const BOOL on = TRUE;
  ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  peer = AddressText(address);
  return socket;
}

IoResult Receive(const Socket& socket, char* data, std::size_t size) {
  return Outcome(::recv(Native(socket), data, Chunk(size), 0));
}

IoResult Send(const Socket& socket, const char* data, std::size_t size) {
  const int got = ::send(Native(socket), data, Chunk(size), 0);
  if (got == 0) return {Io::WouldBlock, 0};
  return Outcome(got);
}

void ShutdownWrite(const Socket& socket) { ::shutdown(Native(socket), SD_SEND); }

void Poll(std::vector<PollItem>& items, std::chrono::milliseconds limit) {
  std::vector<WSAPOLLFD> fds;
  fds.reserve(items.size());
  for (const PollItem& item : items) {
    const short events =
        static_cast<short>((item.read ? POLLRDNORM : 0) | (item.write ? POLLWRNORM : 0));
    fds.push_back(WSAPOLLFD{Native(*item.socket), events, 0});
  }
  const int got = fds.empty() ? 0
                              : ::WSAPoll(fds.data(), static_cast<ULONG>(fds.size()),
                                          static_cast<INT>(limit.count()));
  if (fds.empty()) ::Sleep(static_cast<DWORD>(limit.count()));
  for (std::size_t i = 0; i < items.size(); ++i) {
    const short revents = got > 0 ? fds[i].revents : 0;
    const bool broken = (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    items[i].readable = items[i].read && ((revents & POLLRDNORM) != 0 || broken);
    items[i].writable = items[i].write && ((revents & POLLWRNORM) != 0 || broken);
  }
}

// The read end is bound to a free loopback port; the write end is connected
// to it. Both are non-blocking: a full queue means already woken.
Waker::Waker() {
  int error = 0;
  read_ = MakeSocket(AF_INET, SOCK_DGRAM, IPPROTO_UDP, error);
  if (!read_.Valid()) Fail(error, "the server's wake-up socket");
  write_ = MakeSocket(AF_INET, SOCK_DGRAM, IPPROTO_UDP, error);
  if (!write_.Valid()) Fail(error, "the server's wake-up socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  if (::bind(Native(read_), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(Native(read_), reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
      ::connect(Native(write_), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      !NonBlocking(Native(read_)) || !NonBlocking(Native(write_))) {
    Fail(::WSAGetLastError(), "the server's wake-up socket");
  }
}

Waker::~Waker() = default;

void Waker::Notify() {
  const char one = 1;
  ::send(Native(write_), &one, 1, 0);  // a full queue: already woken
}

void Waker::Drain() {
  char buffer[256];
  while (::recv(Native(read_), buffer, sizeof buffer, 0) > 0) {
  }
}

}  // namespace tavirel::service::http
