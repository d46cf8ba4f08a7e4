#pragma once
// The serial component on a Windows communications device: a COM port, a
// USB adapter's COM port, any \\.\ device that takes the comm API.
//
// Thread safety: one thread uses a port at a time; Interrupt may be called
// from any thread. Lifetime: the port owns its handles; destroying it closes
// the device (pending I/O cancelled, settings restored). A port is neither
// copied nor moved.
//
// Opening: overlapped I/O, no sharing (a second opener is refused: "in
// use"), plus a named claim per port so that a second host of ours is
// refused even where the system lets it in (wine); the device's settings are
// saved and put back at close; binary, no flow control, DTR and RTS on, at
// the port's Settings.
#include <cstdint>
#include <memory>
#include <string>

#include "tavirel/export.hpp"
#include "tavirel/line_settings.hpp"
#include "tavirel/port_mapping.hpp"
#include "tavirel/serial_port.hpp"

namespace tavirel {

class TAVIREL_API WinSerialPort final : public SerialPort {
 public:
  /// A closed port, number 1, "9600,n,8,1"; port numbers map to devices
  /// through `mapping` (DefaultPortDevice, \\.\COM<n>, when empty), called
  /// at each open. Throws SerialError when its events cannot be made.
  explicit WinSerialPort(PortMapping mapping = {});
  /// A closed port that always opens `device`, whatever the port number:
  /// "COM3" (any case) means \\.\COM3; a \\.\ name is taken as it is.
  static std::unique_ptr<WinSerialPort> ForDevice(std::string device);
  /// Closes the device if open.
  ~WinSerialPort() override;
  WinSerialPort(const WinSerialPort&) = delete;
  WinSerialPort& operator=(const WinSerialPort&) = delete;

  /// Opens the device (see above) or closes it. SerialError keeps the
  /// Windows error (ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ...) and
  /// carries its text.
  void PortOpen(bool open) override;
  /// True while the device is open; false after a hang-up was reported.
  [[nodiscard]] bool PortOpen() const override;
  /// CTS from GetCommModemStatus; true on a device without modem lines
  /// (a pseudo-terminal under wine), which is then not asked again until the
  /// next open.
  [[nodiscard]] bool CTSHolding() override;
  /// What the port holds plus what the device holds (ClearCommError).
  [[nodiscard]] int InBufferCount() override;
  /// One character from the port's buffer, refilled by one read.
  std::string Input() override;
  /// What the port's buffer holds, or what a finished read brought.
  std::size_t TakeInput(char* data, std::size_t size) override;
  /// Writes everything, waiting at most the bytes' time on the line at the
  /// port's rate plus 2 s; a write that does not finish is cancelled and
  /// is a SerialError (std::errc::timed_out).
  void Output(std::string_view bytes) override;
  /// Waits on the pending read's event and the wake-up event.
  void WaitForInput(std::chrono::milliseconds slice) override;
  /// Sets the wake-up event (auto-reset): the wait in progress, or the next
  /// one, returns at once. Works whether the port is open or not.
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

  /// The device path the current port number maps to ("\\.\COM3"; the
  /// fixed device of ForDevice). Throws SerialError for a number below 1 or
  /// without a device.
  [[nodiscard]] std::string DevicePath() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace tavirel
