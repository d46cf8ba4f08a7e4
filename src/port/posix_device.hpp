#pragma once
// File-descriptor level work of the POSIX serial port: opening a terminal
// for ourselves alone, configuring it, and the messages of its failures.
#include <string>

#include "tavirel/errors.hpp"
#include "tavirel/line_settings.hpp"

namespace tavirel::port {

/// The device hung up (removed, or its far end closed). The port closes on
/// it, so callers see a SerialError and then a closed port.
class HungUpError : public SerialError {
 public:
  using SerialError::SerialError;
};

/// Owns a file descriptor; closes it when destroyed.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { Reset(); }

  [[nodiscard]] int Get() const { return fd_; }
  [[nodiscard]] bool Valid() const { return fd_ >= 0; }
  int Release();
  void Reset();

 private:
  int fd_ = -1;
};

/// The message for an `open` of `device` that failed with `err`.
std::string OpenErrorMessage(const std::string& device, int err);

/// Opens `device` read-write, non-blocking, not as controlling terminal, and
/// takes it for this opener alone (flock plus TIOCEXCL). Throws SerialError
/// naming the device when it is missing, not permitted, in use or not a
/// terminal.
UniqueFd OpenExclusive(const std::string& device);

/// Lets other openers in again (TIOCNXCL) and closes.
void CloseExclusive(UniqueFd& fd);

/// Puts the open terminal into raw mode with `settings`. Throws SettingsError
/// naming `device` and `text` when the device does not take them, and
/// SerialError when the device fails.
void ConfigureLine(int fd, const LineSettings& settings, const std::string& text,
                   const std::string& device);

/// "<what> <device>: <strerror(err)>", as a SerialError; "hung up" for the
/// errors a vanished device gives.
[[noreturn]] void ThrowDeviceError(const std::string& what, const std::string& device, int err);

/// The HungUpError of `device`.
[[noreturn]] void ThrowHungUp(const std::string& device);

}  // namespace tavirel::port
