#pragma once
// Handle-level work of the Win32 serial port: opening a communications
// device for ourselves alone, configuring it, and the messages of its
// failures, each naming the port and carrying Windows' own text.
#include <windows.h>

#include <string>
#include <system_error>

#include "tavirel/errors.hpp"
#include "tavirel/line_settings.hpp"

namespace tavirel::port {

/// The device went away (a USB adapter removed) or its far end closed. The
/// port closes on it, so callers see a SerialError and then a closed port.
class ComHungUpError : public SerialError {
 public:
  using SerialError::SerialError;
};

/// Owns a handle; closes it when destroyed. Move-only.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept;
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { Reset(); }

  [[nodiscard]] HANDLE Get() const { return handle_; }
  [[nodiscard]] bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Release();
  void Reset();

 private:
  HANDLE handle_ = nullptr;
};

/// Windows' text for an error code, one line, with the code: "Access is
/// denied. (error 5)".
std::string WinErrorText(DWORD error);

/// The error code in the system category, for SerialError::code().
std::error_code WinError(DWORD error);

/// An event: auto-reset for a wake-up, manual-reset for overlapped I/O.
/// Throws SerialError.
UniqueHandle MakeEvent(bool manual_reset);

/// A communications device open for one port alone, with what it had before.
struct ComLine {
  UniqueHandle handle;
  UniqueHandle claim;  // the port's named semaphore, taken while open
  DCB original{};      // put back at close
  COMMTIMEOUTS original_timeouts{};
};

/// Opens the device at `path` ("\\.\COM3") for overlapped I/O without
/// sharing, and takes the named claim that keeps a second opener of ours out
/// where the system itself does not (wine). Saves the device's settings.
/// Throws SerialError naming `name` (and keeping the error) when the device
/// is missing, in use, not permitted or not a serial device.
ComLine OpenComm(const std::string& path, const std::string& name);

/// Cancels what is pending, puts the settings from before back (best
/// effort: a removed device takes none), closes and releases the claim.
void CloseComm(ComLine& line);

/// Applies `settings`: binary, no flow control, DTR and RTS on, and
/// timeouts under which a read returns as soon as a byte is there. Throws
/// SettingsError naming `name` and `text` when the device does not take
/// them (or silently sets something else), SerialError when it fails.
void ConfigureComm(HANDLE handle, const LineSettings& settings, const std::string& text,
                   const std::string& name);

/// True when the device has modem lines: GetCommModemStatus works. A
/// pseudo-terminal under wine, like some virtual ports, has none.
bool HasModemLines(HANDLE handle);

/// Clear To Send from the modem status. Throws on hang-up or failure.
bool CtsAsserted(HANDLE handle, const std::string& name);

/// "<what> <name>: <Windows' text>", as a SerialError keeping `error`; a
/// ComHungUpError for the errors a vanished device gives.
[[noreturn]] void ThrowComError(const std::string& what, const std::string& name, DWORD error);

/// The ComHungUpError of `name`, keeping `error` when there is one.
[[noreturn]] void ThrowComHungUp(const std::string& name, DWORD error = 0);

}  // namespace tavirel::port
