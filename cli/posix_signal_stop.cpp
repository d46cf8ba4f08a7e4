#include "signal_stop.hpp"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <system_error>

namespace tavirel::cli {
namespace {

sigset_t StopSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

int Checked(int fd, const char* what) {
  if (fd < 0) throw std::system_error(errno, std::generic_category(), what);
  return fd;
}

void Post(int event_fd) {
  const std::uint64_t one = 1;
  (void)!::write(event_fd, &one, sizeof one);
}

}  // namespace

SignalStop::SignalStop() {
  const sigset_t set = StopSet();
  if (const int error = ::pthread_sigmask(SIG_BLOCK, &set, nullptr); error != 0) {
    throw std::system_error(error, std::generic_category(), "blocking the stop signals");
  }
  signal_fd_ = Checked(::signalfd(-1, &set, SFD_CLOEXEC), "signalfd");
  wake_fd_ = Checked(::eventfd(0, EFD_CLOEXEC), "eventfd");
  quit_fd_ = Checked(::eventfd(0, EFD_CLOEXEC), "eventfd");
  thread_ = std::thread([this] { Watch(); });
}

SignalStop::~SignalStop() {
  Post(quit_fd_);
  thread_.join();
  for (int fd : {signal_fd_, wake_fd_, quit_fd_}) ::close(fd);
}

void SignalStop::Arm(std::function<void()> action) {
  std::lock_guard lock(mutex_);
  action_ = std::move(action);
  if (caught_.load() != 0 && action_) action_();
}

void SignalStop::Watch() {
  while (true) {
    pollfd fds[2] = {{signal_fd_, POLLIN, 0}, {quit_fd_, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents != 0) return;
    signalfd_siginfo info{};
    if (::read(signal_fd_, &info, sizeof info) != static_cast<ssize_t>(sizeof info)) continue;
    int expected = 0;
    if (!caught_.compare_exchange_strong(expected, static_cast<int>(info.ssi_signo))) continue;
    {
      std::lock_guard lock(mutex_);
      if (action_) action_();
    }
    Post(wake_fd_);
  }
}

const char* SignalStop::Name(int signal_number) {
  switch (signal_number) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    default: return "a signal";
  }
}

}  // namespace tavirel::cli
