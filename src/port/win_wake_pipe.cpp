// On Windows only sockets wait together in select(), so the wake-up is a
// datagram socket on the loopback address, connected to itself: Signal sends
// it a byte, Drain reads them. It also holds the port's use of Winsock
// (WSAStartup counts its users), so every socket of the port lives within it.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "port/tcp_wake_pipe.hpp"
#include "port/win_comm.hpp"
#include "tavirel/errors.hpp"

namespace tavirel::port {
namespace {

[[noreturn]] void Fail(const char* what, int error) {
  throw SerialError(std::string("cannot make the wake-up socket of a network port: ") + what +
                    ": " + WinErrorText(static_cast<DWORD>(error)));
}

// A non-blocking UDP socket bound to 127.0.0.1 and connected to itself.
SOCKET MakeLoopbackSocket() {
  const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (s == INVALID_SOCKET) Fail("socket", ::WSAGetLastError());
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  u_long non_blocking = 1;
  if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
      ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::ioctlsocket(s, FIONBIO, &non_blocking) != 0) {
    const int error = ::WSAGetLastError();
    ::closesocket(s);
    Fail("loopback", error);
  }
  return s;
}

}  // namespace

WakePipe::WakePipe() {
  WSADATA data;
  const int started = ::WSAStartup(MAKEWORD(2, 2), &data);
  if (started != 0) Fail("WSAStartup", started);
  try {
    fds_[0] = static_cast<NativeSocket>(MakeLoopbackSocket());
  } catch (...) {
    ::WSACleanup();
    throw;
  }
  fds_[1] = fds_[0];  // one socket is both ends
}

WakePipe::~WakePipe() {
  ::closesocket(static_cast<SOCKET>(fds_[0]));
  ::WSACleanup();
}

void WakePipe::Signal() noexcept {
  const char one = 1;
  // A full buffer already wakes the wait; nothing more is needed then.
  ::send(static_cast<SOCKET>(fds_[1]), &one, 1, 0);
}

bool WakePipe::Drain() noexcept {
  bool any = false;
  char bytes[64];
  while (::recv(static_cast<SOCKET>(fds_[0]), bytes, sizeof bytes, 0) > 0) any = true;
  return any;
}

}  // namespace tavirel::port
