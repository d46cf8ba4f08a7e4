// The serial component on a Windows communications device. One read is kept
// pending while nothing waits (win_overlapped.cpp); a wait is on that read's
// event and the wake-up event together, so Interrupt and a removed device
// end it at once.
#include "tavirel/win_serial_port.hpp"

#include <windows.h>

#include <climits>
#include <optional>
#include <utility>

#include "port/com_names.hpp"
#include "port/local_port.hpp"
#include "port/win_comm.hpp"
#include "port/win_overlapped.hpp"

namespace tavirel {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kWriteGrace{2000};
constexpr milliseconds kRestAfterEmptyWatch{10};

void RequireValidNumber(std::int16_t port) {
  if (port < 1)
    throw SerialError("serial port number " + std::to_string(port) +
                      " is not valid (ports start at 1)");
}

DWORD WaitTime(milliseconds left) {
  return static_cast<DWORD>(std::clamp<milliseconds::rep>(left.count(), 0, INFINITE - 1));
}

}  // namespace

std::string DefaultPortDevice(std::int16_t port) {
  RequireValidNumber(port);
  return port::ComPortPath(port);
}

struct WinSerialPort::State {
  PortMapping mapping;
  std::optional<std::string> fixed_device;
  std::int16_t port = 1;
  std::string settings_text = "9600,n,8,1";
  LineSettings settings;
  port::ComLine line;                               // open while handle is valid
  port::UniqueHandle wake{port::MakeEvent(false)};  // Interrupt's, for the object's life
  port::UniqueHandle write_done{port::MakeEvent(true)};
  port::ComReader reader;
  port::RxWatcher arrival;  // where reads do not wait (Windows)
  std::string name;         // the device open now, for messages ("COM3")
  bool modem_lines = true;

  [[nodiscard]] HANDLE Device() const { return line.handle.Get(); }
  [[nodiscard]] bool IsOpen() const { return line.handle.Valid(); }

  void RequireOpen() const {
    if (IsOpen()) return;
    const std::string which =
        fixed_device ? port::ComDisplayName(*fixed_device) : "number " + std::to_string(port);
    throw SerialError("serial port " + which + " is not open");
  }
  void Close() noexcept {
    if (IsOpen()) {
      reader.Cancel(Device());
      arrival.Cancel(Device());
    }
    port::CloseComm(line);
  }
  // Runs an I/O step; a device that hung up is closed before the error goes
  // on, so PortOpen reads false and a later PortOpen can open it again.
  template <typename Step>
  decltype(auto) Io(Step&& step) {
    RequireOpen();
    try {
      return step();
    } catch (const port::ComHungUpError&) {
      Close();
      throw;
    }
  }
  // Takes in a finished read, or issues the next: what the device has is then held.
  void Refill() {
    reader.Collect(Device(), name);
    reader.Start(Device(), name);
  }
  // Bytes the device holds that no read has taken yet.
  DWORD DeviceQueue() {
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(Device(), &errors, &status))
      port::ThrowComError("cannot read the state of", name, ::GetLastError());
    return status.cbInQue;
  }
};

WinSerialPort::WinSerialPort(PortMapping mapping) : state_(std::make_unique<State>()) {
  state_->mapping = mapping ? std::move(mapping) : PortMapping(DefaultPortDevice);
}

std::unique_ptr<WinSerialPort> WinSerialPort::ForDevice(std::string device) {
  auto port = std::make_unique<WinSerialPort>();
  port->state_->fixed_device = port::ComDevicePath(device);
  return port;
}

WinSerialPort::~WinSerialPort() { state_->Close(); }

std::string WinSerialPort::DevicePath() const {
  if (state_->fixed_device) return *state_->fixed_device;
  RequireValidNumber(state_->port);
  std::string device = state_->mapping(state_->port);
  if (device.empty())
    throw SerialError("serial port number " + std::to_string(state_->port) + " has no device");
  return port::ComDevicePath(device);
}

void WinSerialPort::PortOpen(bool open) {
  State& s = *state_;
  if (!open) {
    s.Close();
    return;
  }
  if (s.IsOpen()) throw SerialError("serial port " + s.name + " is already open");
  const std::string path = DevicePath();
  std::string name = port::ComDisplayName(path);
  port::ComLine line = port::OpenComm(path, name);
  try {
    port::ConfigureComm(line.handle.Get(), s.settings, s.settings_text, name);
  } catch (...) {
    port::CloseComm(line);
    throw;
  }
  s.modem_lines = port::HasModemLines(line.handle.Get());
  s.line = std::move(line);
  s.name = std::move(name);
}

bool WinSerialPort::PortOpen() const { return state_->IsOpen(); }

bool WinSerialPort::CTSHolding() {
  State& s = *state_;
  if (!s.IsOpen()) return false;
  if (!s.modem_lines) return true;  // counts as asserted, as on a pseudo-terminal
  return s.Io([&] { return port::CtsAsserted(s.Device(), s.name); });
}

int WinSerialPort::InBufferCount() {
  State& s = *state_;
  return s.Io([&] {
    s.reader.Collect(s.Device(), s.name);
    const std::size_t total = s.reader.Held() + s.DeviceQueue();
    return total > INT_MAX ? INT_MAX : static_cast<int>(total);
  });
}

std::string WinSerialPort::Input() {
  State& s = *state_;
  return s.Io([&] {
    if (s.reader.Empty()) s.Refill();
    if (s.reader.Empty()) return std::string();
    return std::string(1, s.reader.Take());
  });
}

std::size_t WinSerialPort::TakeInput(char* data, std::size_t size) {
  State& s = *state_;
  return s.Io([&]() -> std::size_t {
    if (s.reader.Empty()) s.Refill();
    return s.reader.TakeInto(data, size);
  });
}

void WinSerialPort::Output(std::string_view bytes) {
  State& s = *state_;
  s.Io([&] {
    // Room for the time the bytes take on the line, plus a grace for the rest.
    const double line_ms = 1000.0 * static_cast<double>(bytes.size()) *
                           s.settings.BitsPerCharacter() / s.settings.baud;
    const auto budget = kWriteGrace + milliseconds(static_cast<long long>(line_ms) + 1);
    port::WriteAllOverlapped(s.Device(), s.write_done.Get(), bytes, budget, s.name);
  });
}

void WinSerialPort::WaitForInput(milliseconds slice) {
  State& s = *state_;
  s.Io([&] {
    const auto deadline = Clock::now() + slice;
    for (bool fired_for_nothing = false;;) {
      if (s.reader.Empty()) s.Refill();
      if (!s.reader.Empty()) return;
      const auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now());
      // A read that waits is waited on; one that found nothing at once, on
      // the arrival of a character. A watch that fires and brings nothing,
      // again, rests a moment (on the wake-up alone) so it cannot spin.
      const bool on_read = s.reader.Pending();
      if (!on_read && !fired_for_nothing) s.arrival.Arm(s.Device(), s.name);
      const HANDLE events[2] = {s.wake.Get(), on_read ? s.reader.Event() : s.arrival.Event()};
      const DWORD count = !on_read && fired_for_nothing ? 1 : 2;
      const milliseconds rest = count == 1 ? std::min(left, kRestAfterEmptyWatch) : left;
      const DWORD woke = ::WaitForMultipleObjects(count, events, FALSE, WaitTime(rest));
      if (woke == WAIT_OBJECT_0) return;  // Interrupt
      if (woke == WAIT_OBJECT_0 + 1) {
        if (on_read)
          s.reader.Collect(s.Device(), s.name);
        else
          s.arrival.Collect(s.Device(), s.name);
      } else if (woke != WAIT_TIMEOUT) {
        port::ThrowComError("cannot wait for input on", s.name, ::GetLastError());
      }
      if (!s.reader.Empty() || left.count() <= 0) return;
      if (count == 2 && woke == WAIT_TIMEOUT) return;
      fired_for_nothing = !on_read && woke == WAIT_OBJECT_0 + 1;
    }
  });
}

void WinSerialPort::Interrupt() noexcept { ::SetEvent(state_->wake.Get()); }

std::string WinSerialPort::Settings() const { return state_->settings_text; }

void WinSerialPort::Settings(const std::string& text) {
  State& s = *state_;
  const LineSettings parsed = LineSettings::Parse(text);
  if (s.IsOpen()) {
    try {
      port::ConfigureComm(s.Device(), parsed, text, s.name);
    } catch (const SettingsError&) {
      // The device took part of it at most: put the accepted settings back.
      port::ConfigureComm(s.Device(), s.settings, s.settings_text, s.name);
      throw;
    }
  }
  s.settings = parsed;
  s.settings_text = text;
}

std::int16_t WinSerialPort::CommPort() const { return state_->port; }

void WinSerialPort::CommPort(std::int16_t port) {
  State& s = *state_;
  // Writing back the same number (a settings page applying all its fields)
  // changes nothing, so it is no reason to fail.
  if (port == s.port) return;
  RequireValidNumber(port);
  if (s.IsOpen()) {
    throw SerialError("cannot change the port number to " + std::to_string(port) +
                      " while serial port " + s.name + " is open");
  }
  s.port = port;
}

}  // namespace tavirel
