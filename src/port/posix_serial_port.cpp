// The serial component on a POSIX terminal. Input is read in chunks into a
// buffer of our own and handed out one character per Input: far fewer system
// calls than a read per byte, and the driver still sees single characters.
#include "tavirel/posix_serial_port.hpp"

#include <array>
#include <climits>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>

#include "port/posix_device.hpp"
#include "port/posix_io.hpp"
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
  port::UniqueFd fd;
  port::UniqueFd wake{port::MakeWakeFd()};  // Interrupt's eventfd, for the object's life
  std::string device;                       // the device open now, for messages
  ReceiveBuffer received;

  void RequireOpen() const {
    if (fd.Valid()) return;
    const std::string name = fixed_device ? *fixed_device : "number " + std::to_string(port);
    throw SerialError("serial port " + name + " is not open");
  }
  // Hands out what is buffered, or reads the next chunk.
  bool EnsureInput() { return !received.Empty() || received.Refill(fd.Get(), device) > 0; }
};

PosixSerialPort::PosixSerialPort(PortMapping mapping) : state_(std::make_unique<State>()) {
  state_->mapping = mapping ? std::move(mapping) : PortMapping(DefaultPortDevice);
}

std::unique_ptr<PosixSerialPort> PosixSerialPort::ForDevice(std::string device) {
  auto port = std::make_unique<PosixSerialPort>();
  port->state_->fixed_device = std::move(device);
  return port;
}

PosixSerialPort::~PosixSerialPort() { port::CloseExclusive(state_->fd); }

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
  if (open == s.fd.Valid()) return;
  if (!open) {
    port::CloseExclusive(s.fd);
    s.received.Clear();
    return;
  }
  std::string device = DevicePath();
  port::UniqueFd fd = port::OpenExclusive(device);
  try {
    port::ConfigureLine(fd.Get(), s.settings, s.settings_text, device);
  } catch (...) {
    port::CloseExclusive(fd);
    throw;
  }
  s.fd = std::move(fd);
  s.device = std::move(device);
  s.received.Clear();
}

bool PosixSerialPort::PortOpen() const { return state_->fd.Valid(); }

bool PosixSerialPort::CTSHolding() {
  if (!state_->fd.Valid()) return false;
  return port::CtsAsserted(state_->fd.Get(), state_->device);
}

int PosixSerialPort::InBufferCount() {
  State& s = *state_;
  s.RequireOpen();
  if (!s.EnsureInput()) return 0;
  const auto total = s.received.Size() + static_cast<std::size_t>(port::BytesQueued(s.fd.Get()));
  return total > INT_MAX ? INT_MAX : static_cast<int>(total);
}

std::string PosixSerialPort::Input() {
  State& s = *state_;
  s.RequireOpen();
  if (!s.EnsureInput()) return {};
  return std::string(1, s.received.Take());
}

void PosixSerialPort::Output(std::string_view bytes) {
  State& s = *state_;
  s.RequireOpen();
  // Room for the time the bytes take on the line, plus a grace for the rest.
  const double line_ms =
      1000.0 * static_cast<double>(bytes.size()) * s.settings.BitsPerCharacter() / s.settings.baud;
  const auto budget = kWriteGrace + std::chrono::milliseconds(static_cast<long long>(line_ms) + 1);
  port::WriteAll(s.fd.Get(), bytes, budget, s.device);
}

void PosixSerialPort::WaitForInput(std::chrono::milliseconds slice) {
  State& s = *state_;
  s.RequireOpen();
  if (!s.received.Empty()) return;
  if (port::PollReadable(s.fd.Get(), s.wake.Get(), slice, s.device) != port::Readiness::HungUp)
    return;
  // Keep what arrived before the hang-up; the next wait reports it. A device
  // that hung up with nothing left throws from the read itself.
  if (s.received.Refill(s.fd.Get(), s.device) == 0) port::ThrowHungUp(s.device);
}

void PosixSerialPort::Interrupt() noexcept { port::SignalWakeFd(state_->wake.Get()); }

std::string PosixSerialPort::Settings() const { return state_->settings_text; }

void PosixSerialPort::Settings(const std::string& text) {
  State& s = *state_;
  const LineSettings parsed = LineSettings::Parse(text);
  if (s.fd.Valid()) {
    try {
      port::ConfigureLine(s.fd.Get(), parsed, text, s.device);
    } catch (const SettingsError&) {
      // The device took part of it at most: put the accepted settings back.
      port::ConfigureLine(s.fd.Get(), s.settings, s.settings_text, s.device);
      throw;
    }
  }
  s.settings = parsed;
  s.settings_text = text;
}

std::int16_t PosixSerialPort::CommPort() const { return state_->port; }

void PosixSerialPort::CommPort(std::int16_t port) {
  State& s = *state_;
  // Writing back the same number (a settings page applying all its fields)
  // changes nothing, so it is no reason to fail.
  if (port == s.port) return;
  if (s.fd.Valid()) {
    throw SerialError("cannot change the port number to " + std::to_string(port) +
                      " while serial port " + s.device + " is open");
  }
  s.port = port;
}

}  // namespace tavirel
