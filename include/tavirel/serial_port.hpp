#pragma once
// The serial component the control talks through. Its members mirror the
// communications control the driver was designed around, plus three
// additions: WaitForInput, so the wait loop sleeps on the port instead of
// spinning; Interrupt, so a wait can be cut short; TakeInput, so the driver
// takes what waits in one go.
//
// Thread safety: a port is used by one thread at a time (the control's
// caller), with one exception: Interrupt may be called from any thread while
// another uses the port, and from a signal handler where the port says so.
// Lifetime: the control that owns a port destroys it; a port closes itself
// when destroyed.
//
// Errors: SerialError (with the operating system's error in code() when
// there is one) means the port or its device failed, or the call was
// refused (a closed port, a bad port number); SettingsError means a settings
// text that does not parse or that the device refuses. Both name the device.
//
// How the driver waits for a reply, pass after pass:
//   WaitForBytes(slice, count); TakeInput(buffer, size); read the clock; ...
// so an implementation must make WaitForInput return as soon as input
// waits, when Interrupt is called, or when the device hangs up (the next
// call then throws), and otherwise after `slice`. With no yield handler the
// slice runs to the end of the call's limit (up to minutes; a second at
// most on a clock that does not keep the port's time); with one it is 20 ms.
// `count` is how many bytes the driver needs before it can act (the rest of
// a reply on its way); a port that knows its line's speed may sleep through
// them rather than wake for each (see WaitForBytes).
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tavirel/export.hpp"

namespace tavirel {

class TAVIREL_API SerialPort {
 public:
  virtual ~SerialPort() = default;

  /// Opens (true) or closes (false) the port. Opening an open port throws
  /// SerialError ("... is already open") and changes nothing; closing a
  /// closed one does nothing. Throws SerialError naming the device when it
  /// cannot be opened (missing, no permission, in use) and SettingsError when
  /// the current settings cannot be applied; the port then stays closed.
  virtual void PortOpen(bool open) = 0;
  /// True while the port is open. A port whose device hung up closes itself
  /// when it reports the hang-up (a SerialError from the call that found it),
  /// so this then reads false and PortOpen(true) may open it again.
  [[nodiscard]] virtual bool PortOpen() const = 0;

  /// True while the far end holds Clear To Send asserted. A device without
  /// modem lines counts as asserted. False when the port is closed.
  [[nodiscard]] virtual bool CTSHolding() = 0;

  /// Number of received characters waiting to be taken with Input.
  /// Throws SerialError on hang-up or I/O error, or when the port is closed.
  [[nodiscard]] virtual int InBufferCount() = 0;

  /// Takes at most one received character; the empty string when none waits.
  /// Throws SerialError on hang-up or I/O error, or when the port is closed.
  virtual std::string Input() = 0;

  /// Takes up to `size` received characters that wait now, in order, into
  /// `data` (which must hold `size`); returns how many (0 when none waits).
  /// The driver reads through this, so a port with a buffer of its own hands
  /// over a whole chunk in one call; the default takes them one by one with
  /// Input. A port may skip asking its device when the last WaitForInput
  /// found nothing to read. Throws as Input does.
  virtual std::size_t TakeInput(char* data, std::size_t size) {
    std::size_t taken = 0;
    while (taken < size) {
      const std::string one = Input();
      if (one.empty()) break;
      data[taken++] = one.front();
    }
    return taken;
  }

  /// Writes all the bytes, in one piece on the line as far as the device
  /// allows. Throws SerialError on hang-up, I/O error, when the device takes
  /// nothing for longer than the bytes' line time plus a grace, or when the
  /// port is closed.
  virtual void Output(std::string_view bytes) = 0;

  /// Waits at most `slice` for input to arrive: returns at once when some
  /// waits, when it arrives, or on Interrupt. Throws SerialError on hang-up
  /// or I/O error, or when the port is closed.
  virtual void WaitForInput(std::chrono::milliseconds slice) = 0;

  /// Waits as WaitForInput does, for a caller that needs `count` more
  /// characters before it has anything to act on (1: any character). A port
  /// that knows how fast its line is may sleep until they could have come
  /// instead of waking for each: it returns at once when `count` wait, on
  /// Interrupt and on hang-up, and otherwise once their time on the line and
  /// a grace have passed (never later than `slice`), whether they came or
  /// not, so a shorter reply is still taken promptly. The default is
  /// WaitForInput(slice).
  virtual void WaitForBytes(std::chrono::milliseconds slice, std::size_t count) {
    (void)count;
    WaitForInput(slice);
  }

  /// Makes a WaitForInput in progress on another thread return at once, or
  /// the next one when none is in progress (several Interrupts before a wait
  /// end that one wait only). Safe from any thread; the POSIX and network
  /// ports also allow it from a signal handler. Used to cancel a call's wait.
  /// A port that cannot be woken leaves this as it is: its waits then end at
  /// their slice.
  virtual void Interrupt() noexcept {}

  /// The line settings text, "baud,parity,data,stop", as last accepted.
  [[nodiscard]] virtual std::string Settings() const = 0;
  /// Parses and stores the settings; applied at once to an open port. A
  /// malformed text or unsupported rate throws SettingsError naming the text
  /// and leaves the old settings in place.
  virtual void Settings(const std::string& text) = 0;

  /// The port number (1 and up).
  [[nodiscard]] virtual std::int16_t CommPort() const = 0;
  /// Sets the port number. A number below 1 throws SerialError naming it, as
  /// does changing the number while the port is open; setting the number it
  /// already has does nothing.
  virtual void CommPort(std::int16_t port) = 0;
};

}  // namespace tavirel
