#include "port/posix_device.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "port/quoted.hpp"
#include "port/termios_settings.hpp"
#include "tavirel/errors.hpp"

namespace tavirel::port {
namespace {

struct OpenError {
  int err;
  const char* text;
};

// What an open failure means to someone who picked the wrong port.
constexpr std::array<OpenError, 6> kOpenErrors{{
    {ENOENT, "does not exist"},
    {ENXIO, "has no device behind it"},
    {ENODEV, "has no device behind it"},
    {EACCES, "permission denied (is the user in the device's group, e.g. dialout?)"},
    {EPERM, "permission denied (is the user in the device's group, e.g. dialout?)"},
    {EBUSY, "is in use by another program"},
}};

// The errors of a device that went away or whose other end closed.
bool IsHangUp(int err) { return err == EIO || err == ENXIO || err == ENODEV || err == EPIPE; }

bool HasModemLines(int fd) {
  int lines = 0;
  return ::ioctl(fd, TIOCMGET, &lines) == 0;
}

void ThrowInUse(const std::string& device) {
  throw SerialError("serial port " + device + " is in use by another program");
}

}  // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) {
    Reset();
    fd_ = other.Release();
  }
  return *this;
}

int UniqueFd::Release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

void UniqueFd::Reset() {
  // A failed close still frees the descriptor on Linux: never retry it.
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

std::string OpenErrorMessage(const std::string& device, int err) {
  for (const auto& row : kOpenErrors) {
    if (row.err == err) return "serial port " + device + " " + row.text;
  }
  return "cannot open serial port " + device + ": " + std::strerror(err);
}

void ThrowDeviceError(const std::string& what, const std::string& device, int err) {
  if (IsHangUp(err)) ThrowHungUp(device);
  throw SerialError(what + " " + device + ": " + std::strerror(err));
}

void ThrowHungUp(const std::string& device) {
  throw HungUpError("serial port " + device +
                    " hung up (device removed or far end closed); the port is closed");
}

UniqueFd OpenExclusive(const std::string& device) {
  UniqueFd fd(::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!fd.Valid()) throw SerialError(OpenErrorMessage(device, errno));
  if (!::isatty(fd.Get())) throw SerialError("serial port " + device + " is not a terminal device");
  // flock holds against every other opener, root included; TIOCEXCL also
  // keeps out programs that do not take the lock (root passes it).
  if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) ThrowInUse(device);
    ThrowDeviceError("cannot lock serial port", device, errno);
  }
  if (::ioctl(fd.Get(), TIOCEXCL) != 0) ThrowDeviceError("cannot take serial port", device, errno);
  return fd;
}

void CloseExclusive(UniqueFd& fd) {
  if (!fd.Valid()) return;
  // The exclusive flag belongs to the terminal, not to our descriptor: clear
  // it or other openers stay locked out while anyone else holds it open.
  ::ioctl(fd.Get(), TIOCNXCL);
  fd.Reset();
}

namespace {

[[noreturn]] void ThrowUnsupported(const std::string& device, const std::string& text) {
  throw SettingsError("serial port " + device + " does not support the line settings " +
                      Quoted(text));
}

}  // namespace

void ConfigureLine(int fd, const LineSettings& settings, const std::string& text,
                   const std::string& device) {
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0)
    ThrowDeviceError("cannot read the line settings of", device, errno);
  ApplyLineSettings(settings, tio);
  if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
    // EINVAL: the device will not take this format (a pseudo-terminal here
    // refuses some data sizes). That is about the settings,
    // not a failing device, and the settings in force stay as they were.
    if (errno == EINVAL) ThrowUnsupported(device, text);
    ThrowDeviceError("cannot set the line settings of", device, errno);
  }
  termios taken{};
  if (::tcgetattr(fd, &taken) != 0)
    ThrowDeviceError("cannot read the line settings of", device, errno);
  // A pseudo-terminal has no wire and keeps only its own character format;
  // a real line that silently dropped a setting (mark parity on some USB
  // adapters, say) would garble every frame, so it is refused here.
  const bool has_line = HasModemLines(fd);
  if (has_line ? !CarriesLineSettings(settings, taken) : !CarriesSpeed(settings, taken)) {
    ThrowUnsupported(device, text);
  }
}

}  // namespace tavirel::port
