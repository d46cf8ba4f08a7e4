// The serial component on a POSIX terminal. Input is read in chunks: Input
// hands a buffer of our own out one character at a time, TakeInput hands the
// driver a whole chunk. Far fewer system calls than a read per byte.
#include "tavirel/posix_serial_port.hpp"

#include <algorithm>
#include <array>
#include <climits>
#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "port/posix_device.hpp"
#include "port/posix_io.hpp"
#include "port/receive_time.hpp"
#include "tavirel/errors.hpp"

namespace tavirel {
namespace {

constexpr std::chrono::milliseconds kWriteGrace{2000};

// Received bytes not yet handed out.
class ReceiveBuffer {
 public:
  [[nodiscard]] std::size_t Size() const { return end_ - begin_; }
  [[nodiscard]] bool Empty() const { return begin_ == end_; }
  char Take() { return data_[begin_++]; }
  std::size_t TakeInto(char* out, std::size_t size) {
    const std::size_t n = std::min(size, Size());
    std::memcpy(out, data_.data() + begin_, n);
    begin_ += n;
    return n;
  }
  void Clear() { begin_ = end_ = 0; }
  // Refills an empty buffer with what the device has; returns the count.
  std::size_t Refill(int fd, const std::string& device) {
    Clear();
    end_ = port::ReadAvailable(fd, data_.data(), data_.size(), device);
    return end_;
  }

 private:
  std::array<char, 4096> data_{};
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
};

void RequireValidNumber(std::int16_t port) {
  if (port < 1)
    throw SerialError("serial port number " + std::to_string(port) +
                      " is not valid (ports start at 1)");
}

}  // namespace

std::string DefaultPortDevice(std::int16_t port) {
  RequireValidNumber(port);
  return "/dev/ttyS" + std::to_string(port - 1);
}

struct PosixSerialPort::State {
  PortMapping mapping;
  std::optional<std::string> fixed_device;
  std::int16_t port = 1;
  std::string settings_text = "9600,n,8,1";
  LineSettings settings;
  double bits_per_character = settings.BitsPerCharacter();  // of `settings`, for every write
  port::ExclusiveLine line;                                 // open while fd() is valid
  port::UniqueFd wake{port::MakeWakeFd()};  // Interrupt's eventfd, for the object's life
  port::UniqueFd wait_set;                  // the device and `wake`, while open
  port::UniqueFd sleep_set;                 // `wake` and the device's hang-ups, while open
  std::string device;                       // the device open now, for messages
  ReceiveBuffer received;
  bool modem_lines = true;       // false for a device without them (a pty): CTS not asked
  bool nothing_to_read = false;  // the last wait found nothing: TakeInput need not ask

  void RequireOpen() const {
    if (IsOpen()) return;
    const std::string name = fixed_device ? *fixed_device : "number " + std::to_string(port);
    throw SerialError("serial port " + name + " is not open");
  }
  // Hands out what is buffered, or reads the next chunk.
  bool EnsureInput() { return !received.Empty() || received.Refill(Fd(), device) > 0; }
  [[nodiscard]] int Fd() const { return line.fd.Get(); }
  [[nodiscard]] bool IsOpen() const { return line.fd.Valid(); }
  void Close() {
    wait_set.Reset();
    sleep_set.Reset();
    port::CloseExclusive(line);
    received.Clear();
    nothing_to_read = false;
  }
  // Keeps what arrived before a hang-up, for the next wait to report; a
  // device that hung up with nothing left throws from the read itself.
  void KeepWhatCameBeforeHangUp() {
    if (received.Refill(Fd(), device) == 0) port::ThrowHungUp(device);
  }
  // Runs an I/O step; a device that hung up is closed before the error goes
  // on, so PortOpen reads false and a later PortOpen can open it again.
  template <typename Step>
  decltype(auto) Io(Step&& step) {
    RequireOpen();
    try {
      return step();
    } catch (const port::HungUpError&) {
      Close();
      throw;
    }
  }
};

PosixSerialPort::PosixSerialPort(PortMapping mapping) : state_(std::make_unique<State>()) {
  state_->mapping = mapping ? std::move(mapping) : PortMapping(DefaultPortDevice);
}

std::unique_ptr<PosixSerialPort> PosixSerialPort::ForDevice(std::string device) {
  auto port = std::make_unique<PosixSerialPort>();
  port->state_->fixed_device = std::move(device);
  return port;
}

PosixSerialPort::~PosixSerialPort() { port::CloseExclusive(state_->line); }

std::string PosixSerialPort::DevicePath() const {
  if (state_->fixed_device) return *state_->fixed_device;
  RequireValidNumber(state_->port);
  std::string device = state_->mapping(state_->port);
  if (device.empty())
    throw SerialError("serial port number " + std::to_string(state_->port) + " has no device");
  return device;
}

void PosixSerialPort::PortOpen(bool open) {
  State& s = *state_;
  if (!open) {
    s.Close();
    return;
  }
  if (s.IsOpen()) throw SerialError("serial port " + s.device + " is already open");
  std::string device = DevicePath();
  port::ExclusiveLine line = port::OpenExclusive(device);
  port::UniqueFd wait_set;
  port::UniqueFd sleep_set;
  try {
    port::ConfigureLine(line.fd.Get(), s.settings, s.settings_text, device);
    wait_set = port::UniqueFd(port::MakeWaitSet(line.fd.Get(), s.wake.Get(), device));
    sleep_set = port::UniqueFd(
        port::MakeWaitSet(line.fd.Get(), s.wake.Get(), device, port::Watch::HangUps));
  } catch (...) {
    port::CloseExclusive(line);
    throw;
  }
  s.wait_set = std::move(wait_set);
  s.sleep_set = std::move(sleep_set);
  s.modem_lines = port::HasModemLines(line.fd.Get());
  s.nothing_to_read = false;
  s.line = std::move(line);
  s.device = std::move(device);
  s.received.Clear();
}

bool PosixSerialPort::PortOpen() const { return state_->IsOpen(); }

bool PosixSerialPort::CTSHolding() {
  State& s = *state_;
  if (!s.IsOpen()) return false;
  if (!s.modem_lines) return true;  // counts as asserted; no ioctl that fails each time
  return s.Io([&] { return port::CtsAsserted(s.Fd(), s.device, s.modem_lines); });
}

int PosixSerialPort::InBufferCount() {
  State& s = *state_;
  return s.Io([&] {
    // What we hold first: a device that hung up may still have handed us
    // bytes, and those are counted until taken.
    const std::size_t total =
        s.received.Empty()
            ? static_cast<std::size_t>(port::BytesWaiting(s.Fd(), s.device))
            : s.received.Size() + static_cast<std::size_t>(port::BytesQueued(s.Fd()));
    if (total > 0) s.nothing_to_read = false;  // so TakeInput reads them
    return total > INT_MAX ? INT_MAX : static_cast<int>(total);
  });
}

std::string PosixSerialPort::Input() {
  State& s = *state_;
  return s.Io([&] {
    if (!s.EnsureInput()) return std::string();
    return std::string(1, s.received.Take());
  });
}

std::size_t PosixSerialPort::TakeInput(char* data, std::size_t size) {
  State& s = *state_;
  return s.Io([&]() -> std::size_t {
    if (!s.received.Empty()) return s.received.TakeInto(data, size);
    if (s.nothing_to_read || size == 0) return 0;
    return port::ReadAvailable(s.Fd(), data, size, s.device);
  });
}

void PosixSerialPort::Output(std::string_view bytes) {
  State& s = *state_;
  s.Io([&] {
    // Room for the time the bytes take on the line, plus a grace for the rest.
    const double line_ms =
        1000.0 * static_cast<double>(bytes.size()) * s.bits_per_character / s.settings.baud;
    const auto budget =
        kWriteGrace + std::chrono::milliseconds(static_cast<long long>(line_ms) + 1);
    port::WriteAll(s.Fd(), bytes, budget, s.device);
  });
}

void PosixSerialPort::WaitForInput(std::chrono::milliseconds slice) {
  State& s = *state_;
  s.Io([&] {
    if (!s.received.Empty()) return;
    const port::Readiness readiness =
        port::WaitOnSet(s.wait_set.Get(), s.wake.Get(), slice, s.device);
    s.nothing_to_read =
        readiness == port::Readiness::Timeout || readiness == port::Readiness::Interrupted;
    if (readiness == port::Readiness::HungUp) s.KeepWhatCameBeforeHangUp();
  });
}

void PosixSerialPort::WaitForBytes(std::chrono::milliseconds slice, std::size_t count) {
  if (count <= 1) return WaitForInput(slice);
  State& s = *state_;
  s.Io([&] {
    if (!s.received.Empty()) return;
    // Bytes that came faster than the line carries them (a pseudo-terminal)
    // are not waited for.
    const auto waiting = static_cast<std::size_t>(port::BytesWaiting(s.Fd(), s.device));
    s.nothing_to_read = false;  // whatever the sleep brings is read after it
    if (waiting >= count) return;
    const auto sleep = std::min(slice, port::ReceiveTime(s.settings, count - waiting));
    if (port::WaitOnSet(s.sleep_set.Get(), s.wake.Get(), sleep, s.device) ==
        port::Readiness::HungUp) {
      s.KeepWhatCameBeforeHangUp();
    }
  });
}

void PosixSerialPort::Interrupt() noexcept { port::SignalWakeFd(state_->wake.Get()); }

std::string PosixSerialPort::Settings() const { return state_->settings_text; }

void PosixSerialPort::Settings(const std::string& text) {
  State& s = *state_;
  const LineSettings parsed = LineSettings::Parse(text);
  if (s.IsOpen()) {
    try {
      port::ConfigureLine(s.Fd(), parsed, text, s.device);
    } catch (const SettingsError&) {
      // The device took part of it at most: put the accepted settings back.
      port::ConfigureLine(s.Fd(), s.settings, s.settings_text, s.device);
      throw;
    }
  }
  s.settings = parsed;
  s.bits_per_character = parsed.BitsPerCharacter();
  s.settings_text = text;
}

std::int16_t PosixSerialPort::CommPort() const { return state_->port; }

void PosixSerialPort::CommPort(std::int16_t port) {
  State& s = *state_;
  // Writing back the same number (a settings page applying all its fields)
  // changes nothing, so it is no reason to fail.
  if (port == s.port) return;
  RequireValidNumber(port);
  if (s.IsOpen()) {
    throw SerialError("cannot change the port number to " + std::to_string(port) +
                      " while serial port " + s.device + " is open");
  }
  s.port = port;
}

}  // namespace tavirel
