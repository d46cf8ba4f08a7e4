#pragma once
// A pipe that wakes a poll: Signal from any thread or a signal handler makes
// the read end readable until Drain. Created with the port, so an Interrupt
// works whether or not the port is open. A pipe on POSIX systems; on Windows,
// where only sockets can be polled together, a loopback datagram socket sent
// to itself (posix_wake_pipe.cpp, win_wake_pipe.cpp).
#include "port/socket_handle.hpp"

namespace tavirel::port {

class WakePipe {
 public:
  /// Throws SerialError when the system has no descriptors left.
  WakePipe();
  ~WakePipe();
  WakePipe(const WakePipe&) = delete;
  WakePipe& operator=(const WakePipe&) = delete;

  /// Async-signal-safe; keeps errno.
  void Signal() noexcept;
  /// Empties the pipe; true when it held a signal.
  bool Drain() noexcept;
  /// The end to poll for reading.
  [[nodiscard]] NativeSocket ReadFd() const { return fds_[0]; }

 private:
  NativeSocket fds_[2] = {kNoSocket, kNoSocket};
};

}  // namespace tavirel::port
