// Decisions:
// - No sharing at open: Windows then refuses a second opener with "access
//   denied", which for a COM port nearly always means another program has
//   it; the message says both. A named semaphore per port ("Local\tavirel-
//   serial-COM3") is taken too, so a second host of ours is refused even
//   where the system lets it in (wine). A semaphore rather than a mutex: a
//   mutex is recursive for its owner thread, and two ports of one thread
//   must exclude each other too. The object goes with the last handle, so a
//   killed host leaves nothing behind.
// - Read timeouts MAXDWORD, 0, 0: a read returns what waits. Windows returns
//   at once, empty when nothing waits, and the port then waits for a
//   character to arrive (WaitCommEvent, EV_RXCHAR); wine keeps the read
//   pending until a byte comes (and its WaitCommEvent fires at once on a
//   pseudo-terminal), so there the port waits on the read itself. Either
//   wait is on one event together with the wake-up event. Timeouts of
//   MAXDWORD, MAXDWORD, N, which on Windows wait for the first byte, do not
//   wake on arrival under wine.
// - Writes have no timeout here: the port bounds each write itself.
#include "port/win_comm.hpp"

#include <algorithm>
#include <array>
#include <utility>

namespace tavirel::port {
namespace {

// The errors of a device that went away or whose far end closed.
constexpr std::array<DWORD, 9> kHangUpErrors{
    ERROR_ACCESS_DENIED,  ERROR_BAD_COMMAND,          ERROR_GEN_FAILURE,
    ERROR_DEVICE_REMOVED, ERROR_DEVICE_NOT_CONNECTED, ERROR_OPERATION_ABORTED,
    ERROR_IO_DEVICE,      ERROR_BROKEN_PIPE,          ERROR_NOT_READY};

bool IsHangUp(DWORD error) {
  return std::find(kHangUpErrors.begin(), kHangUpErrors.end(), error) != kHangUpErrors.end();
}

struct OpenError {
  DWORD error;
  const char* text;
};

// What an open failure means to someone who picked the wrong port.
constexpr std::array<OpenError, 5> kOpenErrors{{
    {ERROR_FILE_NOT_FOUND, "does not exist"},
    {ERROR_PATH_NOT_FOUND, "does not exist"},
    {ERROR_ACCESS_DENIED, "is in use by another program, or access to it is denied"},
    {ERROR_SHARING_VIOLATION, "is in use by another program"},
    {ERROR_BUSY, "is in use by another program"},
}};

struct ParityCode {
  Parity parity;
  BYTE code;
};
constexpr std::array<ParityCode, 5> kParityCodes{{{Parity::None, NOPARITY},
                                                  {Parity::Even, EVENPARITY},
                                                  {Parity::Odd, ODDPARITY},
                                                  {Parity::Mark, MARKPARITY},
                                                  {Parity::Space, SPACEPARITY}}};

struct StopBitsCode {
  StopBits stop_bits;
  BYTE code;
};
constexpr std::array<StopBitsCode, 3> kStopBitsCodes{{{StopBits::One, ONESTOPBIT},
                                                      {StopBits::OneAndHalf, ONE5STOPBITS},
                                                      {StopBits::Two, TWOSTOPBITS}}};

BYTE ParityCodeOf(Parity parity) {
  return std::find_if(kParityCodes.begin(), kParityCodes.end(),
                      [parity](const ParityCode& row) { return row.parity == parity; })
      ->code;
}

BYTE StopBitsCodeOf(StopBits stop_bits) {
  return std::find_if(kStopBitsCodes.begin(), kStopBitsCodes.end(),
                      [stop_bits](const StopBitsCode& row) { return row.stop_bits == stop_bits; })
      ->code;
}

std::string ClaimName(const std::string& name) {
  std::string claim = "Local\\tavirel-serial-";
  for (char c : name) {
    if (c == '\\') c = '/';  // a name may hold no backslash past its namespace
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    claim += c;
  }
  return claim;
}

[[noreturn]] void ThrowInUse(const std::string& name) {
  throw SerialError("serial port " + name + " is in use by another program",
                    WinError(ERROR_SHARING_VIOLATION));
}

UniqueHandle TakeClaim(const std::string& name) {
  UniqueHandle claim(::CreateSemaphoreA(nullptr, 1, 1, ClaimName(name).c_str()));
  if (!claim.Valid()) ThrowComError("cannot claim serial port", name, ::GetLastError());
  if (::WaitForSingleObject(claim.Get(), 0) != WAIT_OBJECT_0) ThrowInUse(name);
  return claim;
}

void ReleaseClaim(UniqueHandle& claim) {
  if (claim.Valid()) ::ReleaseSemaphore(claim.Get(), 1, nullptr);
  claim.Reset();
}

[[noreturn]] void ThrowOpenError(const std::string& name, DWORD error) {
  for (const auto& row : kOpenErrors) {
    if (row.error == error) {
      throw SerialError("serial port " + name + " " + row.text + " (" + WinErrorText(error) + ")",
                        WinError(error));
    }
  }
  throw SerialError("cannot open serial port " + name + ": " + WinErrorText(error),
                    WinError(error));
}

[[noreturn]] void RefuseSettings(const std::string& text, const std::string& name,
                                 const std::string& why) {
  throw SettingsError("line settings \"" + text + "\" refused by serial port " + name + ": " + why);
}

bool Carries(const DCB& dcb, const LineSettings& settings) {
  return dcb.BaudRate == static_cast<DWORD>(settings.baud) && dcb.ByteSize == settings.data_bits &&
         dcb.Parity == ParityCodeOf(settings.parity) &&
         dcb.StopBits == StopBitsCodeOf(settings.stop_bits);
}

}  // namespace

UniqueHandle& UniqueHandle::operator=(UniqueHandle&& other) noexcept {
  if (this != &other) {
    Reset();
    handle_ = other.Release();
  }
  return *this;
}

HANDLE UniqueHandle::Release() { return std::exchange(handle_, nullptr); }

void UniqueHandle::Reset() {
  if (Valid()) ::CloseHandle(handle_);
  handle_ = nullptr;
}

std::string WinErrorText(DWORD error) {
  char* buffer = nullptr;
  const DWORD size = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&buffer),
      0, nullptr);
  std::string text = size > 0 && buffer != nullptr ? std::string(buffer, size) : std::string();
  if (buffer != nullptr) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
    text.pop_back();
  if (text.empty()) text = "system error";
  return text + " (error " + std::to_string(error) + ")";
}

std::error_code WinError(DWORD error) { return {static_cast<int>(error), std::system_category()}; }

UniqueHandle MakeEvent(bool manual_reset) {
  UniqueHandle event(::CreateEventA(nullptr, manual_reset ? TRUE : FALSE, FALSE, nullptr));
  if (!event.Valid()) {
    const DWORD error = ::GetLastError();
    throw SerialError("cannot make an event for a serial port: " + WinErrorText(error),
                      WinError(error));
  }
  return event;
}

ComLine OpenComm(const std::string& path, const std::string& name) {
  ComLine line;
  line.claim = TakeClaim(name);
  line.handle = UniqueHandle(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
  if (!line.handle.Valid()) {
    const DWORD error = ::GetLastError();
    ReleaseClaim(line.claim);
    ThrowOpenError(name, error);
  }
  line.original.DCBlength = sizeof line.original;
  if (!::GetCommState(line.handle.Get(), &line.original) ||
      !::GetCommTimeouts(line.handle.Get(), &line.original_timeouts)) {
    const DWORD error = ::GetLastError();
    line.handle.Reset();
    ReleaseClaim(line.claim);
    throw SerialError(
        "serial port " + name + " is not a serial device (" + WinErrorText(error) + ")",
        WinError(error));
  }
  return line;
}

void CloseComm(ComLine& line) {
  if (line.handle.Valid()) {
    ::CancelIoEx(line.handle.Get(), nullptr);
    ::SetCommTimeouts(line.handle.Get(), &line.original_timeouts);
    ::SetCommState(line.handle.Get(), &line.original);
    line.handle.Reset();
  }
  ReleaseClaim(line.claim);
}

void ConfigureComm(HANDLE handle, const LineSettings& settings, const std::string& text,
                   const std::string& name) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!::GetCommState(handle, &dcb))
    ThrowComError("cannot read the settings of", name, ::GetLastError());
  dcb.BaudRate = static_cast<DWORD>(settings.baud);
  dcb.ByteSize = static_cast<BYTE>(settings.data_bits);
  dcb.Parity = ParityCodeOf(settings.parity);
  dcb.StopBits = StopBitsCodeOf(settings.stop_bits);
  dcb.fBinary = TRUE;
  dcb.fParity = settings.parity == Parity::None ? FALSE : TRUE;
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fErrorChar = FALSE;
  dcb.fNull = FALSE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fAbortOnError = FALSE;
  if (!::SetCommState(handle, &dcb)) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_INVALID_PARAMETER) RefuseSettings(text, name, WinErrorText(error));
    ThrowComError("cannot apply the settings of", name, error);
  }
  DCB now{};
  now.DCBlength = sizeof now;
  if (!::GetCommState(handle, &now))
    ThrowComError("cannot read the settings of", name, ::GetLastError());
  if (!Carries(now, settings)) RefuseSettings(text, name, "the device set something else");

  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  if (!::SetCommTimeouts(handle, &timeouts))
    ThrowComError("cannot set the timeouts of", name, ::GetLastError());
  if (!::SetCommMask(handle, EV_RXCHAR))
    ThrowComError("cannot watch for input on", name, ::GetLastError());
}

bool HasModemLines(HANDLE handle) {
  DWORD status = 0;
  return ::GetCommModemStatus(handle, &status) != FALSE;
}

bool CtsAsserted(HANDLE handle, const std::string& name) {
  DWORD status = 0;
  if (!::GetCommModemStatus(handle, &status))
    ThrowComError("cannot read the modem lines of", name, ::GetLastError());
  return (status & MS_CTS_ON) != 0;
}

void ThrowComError(const std::string& what, const std::string& name, DWORD error) {
  if (IsHangUp(error)) ThrowComHungUp(name, error);
  throw SerialError(what + " serial port " + name + ": " + WinErrorText(error), WinError(error));
}

void ThrowComHungUp(const std::string& name, DWORD error) {
  std::string message =
      "serial port " + name + " hung up (device removed or far end closed); the port is closed";
  if (error != 0) message += " (" + WinErrorText(error) + ")";
  throw ComHungUpError(message, error == 0 ? std::error_code() : WinError(error));
}

}  // namespace tavirel::port
