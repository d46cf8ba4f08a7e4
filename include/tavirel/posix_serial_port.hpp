#pragma once
// The serial component on a POSIX terminal device (a serial port, a USB
// adapter or a pseudo-terminal).
//
// Thread safety: one thread uses a port at a time; Interrupt may be called
// from any thread and from a signal handler. Lifetime: the port owns its
// descriptors; destroying it closes the device (settings restored, lock
// released). A port is neither copied nor moved.
//
// Opening: read-write, non-blocking, not as controlling terminal; the device
// is taken for this port alone with flock (another opener of ours, root
// included, gets "in use"); a stale exclusive mark (TIOCEXCL) is cleared; the
// terminal's settings are saved and put back at close; raw mode, VMIN 1,
// VTIME 0, no flow control, at the port's Settings.
#include <cstdint>
#include <memory>
#include <string>

#include "tavirel/export.hpp"
#include "tavirel/line_settings.hpp"
#include "tavirel/port_mapping.hpp"
#include "tavirel/serial_port.hpp"

namespace tavirel {

class TAVIREL_API PosixSerialPort final : public SerialPort {
 public:
  /// A closed port, number 1, "9600,n,8,1"; port numbers map to devices
  /// through `mapping` (DefaultPortDevice when empty), called at each open.
  /// Throws SerialError when no wake-up descriptor can be made.
  explicit PosixSerialPort(PortMapping mapping = {});
  /// A closed port that always opens `device`, whatever the port number.
  static std::unique_ptr<PosixSerialPort> ForDevice(std::string device);
  /// Closes the device if open.
  ~PosixSerialPort() override;
  PosixSerialPort(const PosixSerialPort&) = delete;
  PosixSerialPort& operator=(const PosixSerialPort&) = delete;

  /// Opens the device (see above) or closes it; SerialError keeps errno
  /// (ENOENT, EACCES, EBUSY for an exclusive mark, EWOULDBLOCK when in use).
  void PortOpen(bool open) override;
  /// True while the device is open; false after a hang-up was reported.
  [[nodiscard]] bool PortOpen() const override;
  /// CTS from the modem lines; true on a device without them (a
  /// pseudo-terminal), which is then not asked again until the next open.
  [[nodiscard]] bool CTSHolding() override;
  /// What the port's buffer holds plus what the terminal holds (FIONREAD).
  [[nodiscard]] int InBufferCount() override;
  /// One character from the port's buffer, refilled with one read(2).
  std::string Input() override;
  /// What the port's buffer holds, or one read(2) of the device into `data`;
  /// no read at all after a WaitForInput that found nothing.
  std::size_t TakeInput(char* data, std::size_t size) override;
  /// Writes everything, waiting for room for the bytes' time on the line at
  /// the port's rate plus 2 s.
  void Output(std::string_view bytes) override;
  /// epoll_wait(2) on the device and the wake-up descriptor (one set per open).
  void WaitForInput(std::chrono::milliseconds slice) override;
  /// For `count` above 1: returns at once when that many wait (FIONREAD);
  /// otherwise sleeps for the missing bytes' time at the port's rate plus a
  /// grace of four characters and 2 ms (at most `slice`) in a set that
  /// wakes on Interrupt and on hang-up but not on each byte received.
  void WaitForBytes(std::chrono::milliseconds slice, std::size_t count) override;
  /// Signals the wake-up descriptor (an eventfd): one write(2), errno kept,
  /// async-signal-safe. Works whether the port is open or not.
  void Interrupt() noexcept override;
  /// The settings text as last accepted.
  [[nodiscard]] std::string Settings() const override;
  /// Parses the text and, when open, applies it (SettingsError when the
  /// device refuses it; the old settings are then put back).
  void Settings(const std::string& text) override;
  /// The port number.
  [[nodiscard]] std::int16_t CommPort() const override;
  /// Sets the port number (refused below 1 and while open, unless unchanged).
  void CommPort(std::int16_t port) override;

  /// The device the current port number maps to (the fixed device of
  /// ForDevice). Throws SerialError for a number below 1 or without a device.
  [[nodiscard]] std::string DevicePath() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace tavirel
