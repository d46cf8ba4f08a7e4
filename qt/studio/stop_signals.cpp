#include "stop_signals.hpp"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <stdexcept>

namespace tavirel::studio {
namespace {

constexpr std::array kStopSignals = {SIGINT, SIGTERM, SIGHUP};

// The one piece of state a signal handler forces: where it writes. Only the
// handler reads it; it is set before and cleared after the handlers live.
volatile sig_atomic_t g_write_fd = -1;

extern "C" void OnStopSignal(int signal_number) {
  const int saved = errno;
  const auto byte = static_cast<unsigned char>(signal_number);
  if (g_write_fd >= 0) (void)!::write(g_write_fd, &byte, 1);
  errno = saved;
}

}  // namespace

struct StopSignals::Saved {
  std::array<struct sigaction, kStopSignals.size()> actions{};
};

StopSignals::StopSignals(QObject* parent) : QObject(parent), saved_(std::make_unique<Saved>()) {
  if (g_write_fd >= 0) throw std::logic_error("StopSignals: one instance at a time");
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) != 0) {
    throw std::runtime_error("StopSignals: no socket pair");
  }
  read_fd_ = fds[0];
  g_write_fd = fds[1];
  notifier_ = std::make_unique<QSocketNotifier>(read_fd_, QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { Drain(); });
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
    ::sigaction(kStopSignals[i], &action, &saved_->actions[i]);
  }
}

StopSignals::~StopSignals() {
  for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
    ::sigaction(kStopSignals[i], &saved_->actions[i], nullptr);
  }
  notifier_.reset();
  const int write_fd = g_write_fd;
  g_write_fd = -1;
  ::close(write_fd);
  ::close(read_fd_);
}

void StopSignals::Drain() {
  unsigned char byte = 0;
  while (::read(read_fd_, &byte, 1) == 1) {
    if (caught_ == 0) caught_ = byte;
    emit Stop(byte);
  }
}

}  // namespace tavirel::studio
