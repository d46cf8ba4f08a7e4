#include "bench_clients.hpp"

#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>

#include "pty_peer.hpp"
#include "tavirel/posix_serial_port.hpp"

namespace tavirel::bench {
namespace {

// The device in raw mode (reads wait for one byte at least when blocking).
int OpenRaw(const std::string& device, int flags) {
  const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | flags);
  if (fd < 0) throw std::runtime_error("cannot open " + device);
  termios tio{};
  ::tcgetattr(fd, &tio);
  ::cfmakeraw(&tio);
  ::tcsetattr(fd, TCSANOW, &tio);
  return fd;
}

}  // namespace

DriverClient::DriverClient(const std::string& device, bool yield_handler) {
  control_ = std::make_unique<TavirelControl>(PosixSerialPort::ForDevice(device));
  control_->InitProperties();
  control_->EuroSettings(TVL_EUROSETTINGS_EURO);
  if (yield_handler) {
    HostHooks hooks;
    hooks.yield = [] {};
    control_->SetHooks(hooks);
  }
  control_->PortOpen();
}

void DriverClient::SaleLine() {
  const std::int16_t result =
      control_->opReparto(1, "ARTICOLO DI PROVA", Currency::FromRaw(15000), 1);
  if (result != OP_OK) throw std::runtime_error("opReparto returned " + std::to_string(result));
}

BareClient::BareClient(const std::string& device)
    : fd_(OpenRaw(device, 0)), request_(BareRequest()) {}

BareClient::~BareClient() { ::close(fd_); }

void BareClient::Exchange() {
  [[maybe_unused]] ssize_t n = ::write(fd_, request_.data(), request_.size());
  char chunk[256];
  for (bool done = false; !done;) {
    n = ::read(fd_, chunk, sizeof chunk);
    if (n <= 0) throw std::runtime_error("bare read failed");
    done = chunk[n - 1] == '\x03';
  }
  n = ::write(fd_, "\x06", 1);
}

ProtocolFloorClient::ProtocolFloorClient(const std::string& device)
    : fd_(OpenRaw(device, O_NONBLOCK)), request_(BareRequest()) {
  wake_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  set_ = ::epoll_create1(EPOLL_CLOEXEC);
  epoll_event e{};
  e.events = EPOLLIN;
  ::epoll_ctl(set_, EPOLL_CTL_ADD, fd_, &e);
  ::epoll_ctl(set_, EPOLL_CTL_ADD, wake_, &e);
}

ProtocolFloorClient::~ProtocolFloorClient() {
  ::close(set_);
  ::close(wake_);
  ::close(fd_);
}

void ProtocolFloorClient::Exchange() {
  int waiting = 0;
  ::ioctl(fd_, FIONREAD, &waiting);
  [[maybe_unused]] ssize_t n = ::write(fd_, request_.data(), request_.size());
  char chunk[4096];
  for (bool done = false; !done;) {
    epoll_event ready[2];
    if (::epoll_wait(set_, ready, 2, 10000) <= 0) throw std::runtime_error("floor wait failed");
    n = ::read(fd_, chunk, sizeof chunk);
    done = n > 0 && chunk[n - 1] == '\x03';
  }
  n = ::write(fd_, "\x06", 1);
}

}  // namespace tavirel::bench
