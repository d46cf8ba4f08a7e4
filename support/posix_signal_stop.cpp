#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <system_error>

#include "tavirel/support/signal_stop.hpp"

namespace tavirel::support {
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

struct SignalStop::Sources {
  int signal_fd = -1;
  int wake_fd = -1;  // an eventfd: written once a signal came
  int quit_fd = -1;  // an eventfd: written to end the watching thread
  ~Sources() {
    for (int fd : {signal_fd, wake_fd, quit_fd}) {
      if (fd >= 0) ::close(fd);
    }
  }
};

SignalStop::SignalStop() : sources_(std::make_unique<Sources>()) {
  const sigset_t set = StopSet();
  if (const int error = ::pthread_sigmask(SIG_BLOCK, &set, nullptr); error != 0) {
    throw std::system_error(error, std::generic_category(), "blocking the stop signals");
  }
  sources_->signal_fd = Checked(::signalfd(-1, &set, SFD_CLOEXEC), "signalfd");
  sources_->wake_fd = Checked(::eventfd(0, EFD_CLOEXEC), "eventfd");
  sources_->quit_fd = Checked(::eventfd(0, EFD_CLOEXEC), "eventfd");
  thread_ = std::thread([this] { Watch(); });
}

SignalStop::~SignalStop() {
  Post(sources_->quit_fd);
  thread_.join();
}

int SignalStop::WakeFd() const noexcept { return sources_->wake_fd; }

void SignalStop::Watch() {
  while (true) {
    pollfd fds[2] = {{sources_->signal_fd, POLLIN, 0}, {sources_->quit_fd, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents != 0) return;
    signalfd_siginfo info{};
    if (::read(sources_->signal_fd, &info, sizeof info) != static_cast<ssize_t>(sizeof info))
      continue;
    if (Fire(static_cast<int>(info.ssi_signo))) Post(sources_->wake_fd);
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

void IgnoreBrokenPipe() { std::signal(SIGPIPE, SIG_IGN); }

}  // namespace tavirel::support
