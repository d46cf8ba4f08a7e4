#pragma once
// A socket of the platform, owned: a descriptor on POSIX systems, a SOCKET
// on Windows. Both fit a std::intptr_t, and "none" is -1 on both (Windows'
// INVALID_SOCKET is all bits set). Each platform's socket file defines the
// two functions below.
#include <cstdint>
#include <string>
#include <utility>

namespace tavirel::port {

using NativeSocket = std::intptr_t;
inline constexpr NativeSocket kNoSocket = -1;

/// Closes `socket` (close(2) or closesocket); nothing for kNoSocket.
void CloseSocket(NativeSocket socket) noexcept;

/// The system's text for a socket error number (an errno, or a Winsock
/// error code on Windows).
std::string SocketErrorText(int error);

/// Owns a socket; closes it when destroyed. Move-only.
class Socket {
 public:
  Socket() = default;
  explicit Socket(NativeSocket socket) : socket_(socket) {}
  Socket(Socket&& other) noexcept : socket_(other.Release()) {}
  Socket& operator=(Socket&& other) noexcept {
    if (this != &other) {
      Reset();
      socket_ = other.Release();
    }
    return *this;
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  ~Socket() { Reset(); }

  [[nodiscard]] NativeSocket Get() const { return socket_; }
  [[nodiscard]] bool Valid() const { return socket_ != kNoSocket; }
  NativeSocket Release() { return std::exchange(socket_, kNoSocket); }
  void Reset() { CloseSocket(Release()); }

 private:
  NativeSocket socket_ = kNoSocket;
};

}  // namespace tavirel::port
