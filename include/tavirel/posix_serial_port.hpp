#pragma once
// The serial component on a POSIX terminal device (a serial port, a USB
// adapter or a pseudo-terminal).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "tavirel/export.hpp"
#include "tavirel/line_settings.hpp"
#include "tavirel/serial_port.hpp"

namespace tavirel {

/// Maps a port number to a device path.
using PortMapping = std::function<std::string(std::int16_t port)>;

/// The default mapping: port n is /dev/ttyS<n-1>.
TAVIREL_API std::string DefaultPortDevice(std::int16_t port);

class TAVIREL_API PosixSerialPort final : public SerialPort {
 public:
  /// Port numbers map through `mapping` (DefaultPortDevice when empty).
  explicit PosixSerialPort(PortMapping mapping = {});
  /// Always opens `device`, whatever the port number.
  static std::unique_ptr<PosixSerialPort> ForDevice(std::string device);
  ~PosixSerialPort() override;

  void PortOpen(bool open) override;
  [[nodiscard]] bool PortOpen() const override;
  [[nodiscard]] bool CTSHolding() override;
  [[nodiscard]] int InBufferCount() override;
  std::string Input() override;
  void Output(std::string_view bytes) override;
  void WaitForInput(std::chrono::milliseconds slice) override;
  /// Wakes the wait through an eventfd: async-signal-safe.
  void Interrupt() noexcept override;
  [[nodiscard]] std::string Settings() const override;
  void Settings(const std::string& text) override;
  [[nodiscard]] std::int16_t CommPort() const override;
  void CommPort(std::int16_t port) override;

  /// The device the current port number maps to.
  [[nodiscard]] std::string DevicePath() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace tavirel
