#pragma once
// A pipe that wakes a poll: Signal from any thread or a signal handler makes
// the read end readable until Drain. Created with the port, so an Interrupt
// works whether or not the port is open.
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
  [[nodiscard]] int ReadFd() const { return fds_[0]; }

 private:
  int fds_[2] = {-1, -1};
};

}  // namespace tavirel::port
