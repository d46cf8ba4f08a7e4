#pragma once
// The serial component the control talks through. Its members mirror the
// communications control the driver was designed around, plus one addition:
// WaitForInput, so the wait loop sleeps on the port instead of spinning.
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "tavirel/export.hpp"

namespace tavirel {

class TAVIREL_API SerialPort {
 public:
  virtual ~SerialPort() = default;

  /// Opens (true) or closes (false) the port. Opening an open port or closing
  /// a closed one does nothing. Throws SerialError naming the device when it
  /// cannot be opened (missing, no permission, in use) and SettingsError when
  /// the current settings cannot be applied.
  virtual void PortOpen(bool open) = 0;
  /// True while the port is open.
  [[nodiscard]] virtual bool PortOpen() const = 0;

  /// True while the far end holds Clear To Send asserted. A device without
  /// modem lines counts as asserted. False when the port is closed.
  [[nodiscard]] virtual bool CTSHolding() = 0;

  /// Number of received characters waiting to be taken with Input.
  /// Throws SerialError on hang-up or I/O error.
  [[nodiscard]] virtual int InBufferCount() = 0;

  /// Takes at most one received character; the empty string when none waits.
  /// Throws SerialError on hang-up or I/O error.
  virtual std::string Input() = 0;

  /// Writes all the bytes. Throws SerialError on hang-up or I/O error.
  virtual void Output(std::string_view bytes) = 0;

  /// Waits at most `slice` for input to arrive (returns early when some is
  /// waiting). Throws SerialError on hang-up or I/O error.
  virtual void WaitForInput(std::chrono::milliseconds slice) = 0;

  /// Makes a WaitForInput in progress on another thread return at once, or
  /// the next one when none is in progress. Safe from any thread; the POSIX
  /// and network ports also allow it from a signal handler. Used to cancel a
  /// call's wait. A port that cannot be woken leaves this as it is: its
  /// waits then end at their slice.
  virtual void Interrupt() noexcept {}

  /// The line settings text, "baud,parity,data,stop", as last accepted.
  [[nodiscard]] virtual std::string Settings() const = 0;
  /// Parses and stores the settings; applied at once to an open port. A
  /// malformed text or unsupported rate throws SettingsError naming the text
  /// and leaves the old settings in place.
  virtual void Settings(const std::string& text) = 0;

  /// The port number.
  [[nodiscard]] virtual std::int16_t CommPort() const = 0;
  /// Sets the port number. Changing it while the port is open throws
  /// SerialError; setting the number it already has does nothing.
  virtual void CommPort(std::int16_t port) = 0;
};

}  // namespace tavirel
