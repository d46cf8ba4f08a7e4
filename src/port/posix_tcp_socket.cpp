// Decisions:
// - Keep-alive probes after 5 s idle, every 2 s, 3 unanswered: a device
//   server that lost power is a hang-up after about 11 s of silence instead
//   of never. Unacknowledged writes count the same way (TCP_USER_TIMEOUT).
// - Host names resolve with the system resolver, which has its own time
//   limits; a numeric address never waits on it.
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>

#include "port/tcp_socket.hpp"
#include "tavirel/errors.hpp"

namespace tavirel::port {
namespace {

using SteadyClock = std::chrono::steady_clock;
using std::chrono::milliseconds;

int Fd(NativeSocket socket) { return static_cast<int>(socket); }

int PollTimeout(milliseconds wait) {
  return static_cast<int>(std::clamp<milliseconds::rep>(wait.count(), 0, INT_MAX));
}

milliseconds Left(SteadyClock::time_point deadline) {
  return std::max(milliseconds(0), std::chrono::ceil<milliseconds>(deadline - SteadyClock::now()));
}

void SetOption(int fd, int level, int option, int value) {
  // Each is a refinement; a system without one still connects.
  ::setsockopt(fd, level, option, &value, sizeof value);
}

void TuneSocket(int fd) {
  SetOption(fd, IPPROTO_TCP, TCP_NODELAY, 1);
  SetOption(fd, SOL_SOCKET, SO_KEEPALIVE, 1);
#ifdef TCP_KEEPIDLE
  SetOption(fd, IPPROTO_TCP, TCP_KEEPIDLE, 5);
  SetOption(fd, IPPROTO_TCP, TCP_KEEPINTVL, 2);
  SetOption(fd, IPPROTO_TCP, TCP_KEEPCNT, 3);
#endif
#ifdef TCP_USER_TIMEOUT
  SetOption(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, 11000);
#endif
}

struct AddrInfoFree {
  void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};
using AddrList = std::unique_ptr<addrinfo, AddrInfoFree>;

AddrList Resolve(const Endpoint& endpoint, const std::string& name) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_ADDRCONFIG;
  addrinfo* list = nullptr;
  const std::string service = std::to_string(endpoint.port);
  const int rc = ::getaddrinfo(endpoint.host.c_str(), service.c_str(), &hints, &list);
  if (rc != 0)
    throw SerialError("network port " + name + ": cannot resolve host " + endpoint.host + ": " +
                      ::gai_strerror(rc));
  return AddrList(list);
}

// One address: 0 and the connected socket, or the errno of the failure.
int TryConnect(const addrinfo& a, SteadyClock::time_point deadline, Socket& out) {
  Socket fd(::socket(a.ai_family, a.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a.ai_protocol));
  if (!fd.Valid()) return errno;
  if (::connect(Fd(fd.Get()), a.ai_addr, a.ai_addrlen) != 0) {
    if (errno != EINPROGRESS) return errno;
    for (;;) {
      pollfd p{Fd(fd.Get()), POLLOUT, 0};
      const int ready = ::poll(&p, 1, PollTimeout(Left(deadline)));
      if (ready < 0 && errno == EINTR) continue;
      if (ready < 0) return errno;
      if (ready == 0) return ETIMEDOUT;
      break;
    }
    int err = 0;
    socklen_t len = sizeof err;
    if (::getsockopt(Fd(fd.Get()), SOL_SOCKET, SO_ERROR, &err, &len) != 0) return errno;
    if (err != 0) return err;
  }
  TuneSocket(Fd(fd.Get()));
  out = std::move(fd);
  return 0;
}

bool IsLoss(int err) {
  return err == ECONNRESET || err == EPIPE || err == ETIMEDOUT || err == ENOTCONN ||
         err == ECONNABORTED || err == EHOSTUNREACH || err == ENETUNREACH || err == ENETDOWN;
}

}  // namespace

void CloseSocket(NativeSocket socket) noexcept {
  if (socket != kNoSocket) ::close(Fd(socket));
}

std::string SocketErrorText(int error) { return std::strerror(error); }

Socket ConnectTcp(const Endpoint& endpoint, milliseconds timeout, const std::string& name) {
  const auto deadline = SteadyClock::now() + timeout;
  const AddrList list = Resolve(endpoint, name);
  int last_error = ECONNREFUSED;
  for (const addrinfo* a = list.get(); a != nullptr; a = a->ai_next) {
    Socket fd;
    last_error = TryConnect(*a, deadline, fd);
    if (last_error == 0) return fd;
    if (last_error == ETIMEDOUT) break;
  }
  if (last_error == ETIMEDOUT)
    throw SerialError("network port " + name + ": no connection within " +
                      std::to_string(timeout.count()) + " ms");
  throw SerialError("network port " + name + ": cannot connect: " + std::strerror(last_error));
}

ReadResult ReadTcp(NativeSocket fd, char* data, std::size_t size, const std::string& name) {
  for (;;) {
    const ssize_t got = ::recv(Fd(fd), data, size, 0);
    if (got > 0) return {static_cast<std::size_t>(got), false, 0};
    if (got == 0) return {0, true, 0};
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return {};
    if (IsLoss(errno)) return {0, true, errno};
    throw SerialError("network port " + name + ": cannot read: " + std::strerror(errno));
  }
}

WriteResult WriteTcp(NativeSocket fd, std::string_view bytes, SteadyClock::time_point deadline,
                     int& error) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::send(Fd(fd), bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (put > 0) {
      done += static_cast<std::size_t>(put);
      continue;
    }
    if (put < 0 && errno == EINTR) continue;
    if (put < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      error = errno;
      return WriteResult::Lost;
    }
    pollfd p{Fd(fd), POLLOUT, 0};
    const int ready = ::poll(&p, 1, PollTimeout(Left(deadline)));
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) return WriteResult::TimedOut;
    if (ready < 0 || (p.revents & (POLLERR | POLLHUP | POLLNVAL))) {
      error = ready < 0 ? errno : EPIPE;
      return WriteResult::Lost;
    }
  }
  return WriteResult::Done;
}

void SetReceiveLowWater(NativeSocket fd, int bytes) {
  SetOption(Fd(fd), SOL_SOCKET, SO_RCVLOWAT, bytes);
}

Wakeup WaitReadable(NativeSocket fd, NativeSocket wake_fd, milliseconds wait,
                    const std::string& name) {
  pollfd p[2] = {{Fd(fd), POLLIN, 0}, {Fd(wake_fd), POLLIN, 0}};
  const int ready = ::poll(p, wake_fd != kNoSocket ? 2 : 1, PollTimeout(wait));
  if (ready < 0 && errno == EINTR) return Wakeup::Timeout;
  if (ready < 0)
    throw SerialError("network port " + name + ": cannot wait for input: " + std::strerror(errno));
  if (ready == 0) return Wakeup::Timeout;
  if (wake_fd != kNoSocket && (p[1].revents & POLLIN)) return Wakeup::Woken;
  return Wakeup::Readable;
}

}  // namespace tavirel::port
