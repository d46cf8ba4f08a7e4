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

std::error_code SystemError(int err) { return {err, std::system_category()}; }

void ThrowInUse(const std::string& device, int err) {
  throw SerialError("serial port " + device + " is in use by another program", SystemError(err));
}

// A terminal marked for exclusive use (TIOCEXCL) refuses every opener but
// root with EBUSY; another host may hold it, or one killed while holding it
// left the mark behind.
[[noreturn]] void ThrowMarkedExclusive(const std::string& device) {
  throw SerialError("serial port " + device +
                        " is in use by another program, or is still marked for exclusive use by "
                        "one that ended without releasing it (opening it once as root clears "
                        "that mark)",
                    SystemError(EBUSY));
}

// We hold the lock, so no host of ours has the device open: an exclusive
// mark is what a host killed before it could clear it left behind.
void ClearStaleExclusiveMark(int fd) {
  int marked = 0;
  if (::ioctl(fd, TIOCGEXCL, &marked) == 0 && marked != 0) ::ioctl(fd, TIOCNXCL);
}

}  // namespace

bool HasModemLines(int fd) {
  int lines = 0;
  return ::ioctl(fd, TIOCMGET, &lines) == 0;
}

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
  if (IsHangUp(err)) ThrowHungUp(device, err);
  throw SerialError(what + " " + device + ": " + std::strerror(err), SystemError(err));
}

void ThrowHungUp(const std::string& device, int err) {
  throw HungUpError(
      "serial port " + device + " hung up (device removed or far end closed); the port is closed",
      err == 0 ? std::error_code() : SystemError(err));
}

ExclusiveLine OpenExclusive(const std::string& device) {
  ExclusiveLine line;
  line.fd = UniqueFd(::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!line.fd.Valid()) {
    const int err = errno;
    if (err == EBUSY) ThrowMarkedExclusive(device);
    throw SerialError(OpenErrorMessage(device, err), SystemError(err));
  }
  const int fd = line.fd.Get();
  if (!::isatty(fd)) {
    throw SerialError("serial port " + device + " is not a terminal device", SystemError(ENOTTY));
  }
  // flock holds against every other opener of ours, root included. No
  // TIOCEXCL of our own: a host killed by SIGKILL could not clear it, and it
  // would keep every later opener but root out.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) ThrowInUse(device, errno);
    ThrowDeviceError("cannot lock serial port", device, errno);
  }
  ClearStaleExclusiveMark(fd);
  if (::tcgetattr(fd, &line.original) != 0)
    ThrowDeviceError("cannot read the line settings of", device, errno);
  return line;
}

void CloseExclusive(ExclusiveLine& line) {
  if (!line.fd.Valid()) return;
  // The settings belong to the terminal and outlive us: leave it as we found
  // it (a terminal opened by mistake must not stay raw and without echo).
  ::tcsetattr(line.fd.Get(), TCSANOW, &line.original);
  line.fd.Reset();
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
