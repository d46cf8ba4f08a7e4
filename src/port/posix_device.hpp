#pragma once
// File-descriptor level work of the POSIX serial port: opening a terminal
// for ourselves alone, configuring it, and the messages of its failures.
#include <termios.h>

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

/// A terminal open for one port alone, with its settings from before.
struct ExclusiveLine {
  UniqueFd fd;
  termios original{};  // put back at close
};

/// Opens `device` read-write, non-blocking, not as controlling terminal,
/// takes it for this opener alone with flock, and saves its settings. A
/// TIOCEXCL flag found set is cleared: holding the lock proves no host of
/// ours has the device, so the flag was left by one that was killed. Throws
/// SerialError naming the device (and keeping errno) when it is missing, not
/// permitted, in use or not a terminal.
ExclusiveLine OpenExclusive(const std::string& device);

/// Puts the settings from before back (best effort: a device that hung up
/// takes none) and closes, which releases the lock.
void CloseExclusive(ExclusiveLine& line);

/// True when the terminal has modem lines (TIOCMGET works); a
/// pseudo-terminal has none.
bool HasModemLines(int fd);

/// Puts the open terminal into raw mode with `settings`. Throws SettingsError
/// naming `device` and `text` when the device does not take them, and
/// SerialError when the device fails.
void ConfigureLine(int fd, const LineSettings& settings, const std::string& text,
                   const std::string& device);

/// "<what> <device>: <strerror(err)>", as a SerialError keeping `err`;
/// a HungUpError for the errors a vanished device gives.
[[noreturn]] void ThrowDeviceError(const std::string& what, const std::string& device, int err);

/// The HungUpError of `device`, keeping `err` when there is one.
[[noreturn]] void ThrowHungUp(const std::string& device, int err = 0);

}  // namespace tavirel::port
