// Decisions:
// - Winsock is started by each network port's WakePipe (win_wake_pipe.cpp),
//   made before the port's first socket and destroyed after its last one.
// - select() for every wait: it reports a failed non-blocking connect
//   (WSAPoll did not before Windows 10 2004) and works the same under wine.
// - Keep-alive probes after 5 s idle, every 2 s (SIO_KEEPALIVE_VALS; the
//   count of probes is the system's): a device server that lost power is a
//   hang-up instead of a silence for ever.
// Winsock's own header first: the others need its types.
#include <winsock2.h>
//
#include <mstcpip.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <memory>

#include "port/tcp_socket.hpp"
#include "port/win_comm.hpp"
#include "tavirel/errors.hpp"

namespace tavirel::port {
namespace {

using SteadyClock = std::chrono::steady_clock;
using std::chrono::milliseconds;

SOCKET Native(NativeSocket socket) { return static_cast<SOCKET>(socket); }

milliseconds Left(SteadyClock::time_point deadline) {
  return std::max(milliseconds(0), std::chrono::ceil<milliseconds>(deadline - SteadyClock::now()));
}

timeval TimeOf(milliseconds wait) {
  const auto ms = std::clamp<milliseconds::rep>(wait.count(), 0, 86'400'000);
  return timeval{static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
}

enum class Ready { Timeout, Yes, Failed };

// Waits for `socket` to be writable (a connect finished: failed ones show as
// an exception) at most `wait`.
Ready WaitWritable(SOCKET socket, milliseconds wait) {
  fd_set writable;
  fd_set failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(socket, &writable);
  FD_SET(socket, &failed);
  timeval time = TimeOf(wait);
  const int ready = ::select(0, nullptr, &writable, &failed, &time);
  if (ready == SOCKET_ERROR || FD_ISSET(socket, &failed)) return Ready::Failed;
  return ready == 0 ? Ready::Timeout : Ready::Yes;
}

void TuneSocket(SOCKET socket) {
  // Each is a refinement; a system without one still connects.
  const BOOL on = TRUE;
  ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  tcp_keepalive keepalive{1, 5000, 2000};
  DWORD returned = 0;
  ::WSAIoctl(socket, SIO_KEEPALIVE_VALS, &keepalive, sizeof keepalive, nullptr, 0, &returned,
             nullptr, nullptr);
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
                      WinErrorText(static_cast<DWORD>(rc)));
  return AddrList(list);
}

// One address: 0 and the connected socket, or the Winsock error of the failure.
int TryConnect(const addrinfo& a, SteadyClock::time_point deadline, Socket& out) {
  Socket socket(static_cast<NativeSocket>(::socket(a.ai_family, a.ai_socktype, a.ai_protocol)));
  if (!socket.Valid()) return ::WSAGetLastError();
  const SOCKET s = Native(socket.Get());
  u_long non_blocking = 1;
  if (::ioctlsocket(s, FIONBIO, &non_blocking) != 0) return ::WSAGetLastError();
  if (::connect(s, a.ai_addr, static_cast<int>(a.ai_addrlen)) != 0) {
    const int error = ::WSAGetLastError();
    if (error != WSAEWOULDBLOCK) return error;
    const Ready ready = WaitWritable(s, Left(deadline));
    if (ready == Ready::Timeout) return WSAETIMEDOUT;
    int err = 0;
    int len = sizeof err;
    if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &len) != 0)
      return ::WSAGetLastError();
    if (err != 0) return err;
    if (ready == Ready::Failed) return WSAECONNREFUSED;
  }
  TuneSocket(s);
  out = std::move(socket);
  return 0;
}

bool IsLoss(int err) {
  return err == WSAECONNRESET || err == WSAECONNABORTED || err == WSAENETRESET ||
         err == WSAETIMEDOUT || err == WSAENOTCONN || err == WSAESHUTDOWN ||
         err == WSAEHOSTUNREACH || err == WSAENETUNREACH || err == WSAENETDOWN;
}

}  // namespace

void CloseSocket(NativeSocket socket) noexcept {
  if (socket != kNoSocket) ::closesocket(Native(socket));
}

std::string SocketErrorText(int error) { return WinErrorText(static_cast<DWORD>(error)); }

Socket ConnectTcp(const Endpoint& endpoint, milliseconds timeout, const std::string& name) {
  const auto deadline = SteadyClock::now() + timeout;
  const AddrList list = Resolve(endpoint, name);
  int last_error = WSAECONNREFUSED;
  for (const addrinfo* a = list.get(); a != nullptr; a = a->ai_next) {
    Socket socket;
    last_error = TryConnect(*a, deadline, socket);
    if (last_error == 0) return socket;
    if (last_error == WSAETIMEDOUT) break;
  }
  if (last_error == WSAETIMEDOUT)
    throw SerialError("network port " + name + ": no connection within " +
                      std::to_string(timeout.count()) + " ms");
  throw SerialError("network port " + name + ": cannot connect: " + SocketErrorText(last_error));
}

ReadResult ReadTcp(NativeSocket fd, char* data, std::size_t size, const std::string& name) {
  for (;;) {
    const int got =
        ::recv(Native(fd), data, static_cast<int>(std::min<std::size_t>(size, INT_MAX)), 0);
    if (got > 0) return {static_cast<std::size_t>(got), false, 0};
    if (got == 0) return {0, true, 0};
    const int error = ::WSAGetLastError();
    if (error == WSAEINTR) continue;
    if (error == WSAEWOULDBLOCK) return {};
    if (IsLoss(error)) return {0, true, error};
    throw SerialError("network port " + name + ": cannot read: " + SocketErrorText(error));
  }
}

WriteResult WriteTcp(NativeSocket fd, std::string_view bytes, SteadyClock::time_point deadline,
                     int& error) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const int size = static_cast<int>(std::min<std::size_t>(bytes.size() - done, INT_MAX));
    const int put = ::send(Native(fd), bytes.data() + done, size, 0);
    if (put > 0) {
      done += static_cast<std::size_t>(put);
      continue;
    }
    const int err = put < 0 ? ::WSAGetLastError() : WSAEWOULDBLOCK;
    if (err == WSAEINTR) continue;
    if (err != WSAEWOULDBLOCK) {
      error = err;
      return WriteResult::Lost;
    }
    switch (WaitWritable(Native(fd), Left(deadline))) {
      case Ready::Yes: break;
      case Ready::Timeout: return WriteResult::TimedOut;
      case Ready::Failed: error = WSAECONNRESET; return WriteResult::Lost;
    }
  }
  return WriteResult::Done;
}

// Winsock takes no low-water mark for receiving: a wait ends at the first
// byte, as it did before the mark was asked for.
void SetReceiveLowWater(NativeSocket, int) {}

Wakeup WaitReadable(NativeSocket fd, NativeSocket wake_fd, milliseconds wait,
                    const std::string& name) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(Native(fd), &readable);
  if (wake_fd != kNoSocket) FD_SET(Native(wake_fd), &readable);
  timeval time = TimeOf(wait);
  const int ready = ::select(0, &readable, nullptr, nullptr, &time);
  if (ready == SOCKET_ERROR) {
    const int error = ::WSAGetLastError();
    if (error == WSAEINTR) return Wakeup::Timeout;
    throw SerialError("network port " + name +
                      ": cannot wait for input: " + SocketErrorText(error));
  }
  if (ready == 0) return Wakeup::Timeout;
  if (wake_fd != kNoSocket && FD_ISSET(Native(wake_fd), &readable)) return Wakeup::Woken;
  return Wakeup::Readable;
}

}  // namespace tavirel::port
