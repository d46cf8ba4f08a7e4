#include "port/posix_io.hpp"

#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <optional>

#include "port/posix_device.hpp"
#include "tavirel/errors.hpp"

namespace tavirel::port {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr short kTrouble = POLLHUP | POLLERR | POLLNVAL;

int PollTimeout(milliseconds wait) {
  return static_cast<int>(std::clamp<milliseconds::rep>(wait.count(), 0, INT_MAX));
}

// Waits for room to write until `deadline`; false when the time ran out.
bool AwaitRoom(int fd, Clock::time_point deadline, const std::string& device) {
  for (;;) {
    const auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    pollfd p{fd, POLLOUT, 0};
    const int ready = ::poll(&p, 1, PollTimeout(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) ThrowDeviceError("cannot wait to write to", device, errno);
    if (ready == 0) return false;
    if (p.revents & kTrouble) ThrowHungUp(device);
    return true;
  }
}

}  // namespace

std::size_t ReadAvailable(int fd, char* data, std::size_t size, const std::string& device) {
  for (;;) {
    const ssize_t got = ::read(fd, data, size);
    if (got > 0) return static_cast<std::size_t>(got);
    // In raw mode with VMIN 1 an empty terminal gives EAGAIN: 0 is a hang-up.
    if (got == 0) ThrowHungUp(device);  // no errno: the read just ended
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    ThrowDeviceError("cannot read from", device, errno);
  }
}

int BytesQueued(int fd) {
  int queued = 0;
  if (::ioctl(fd, FIONREAD, &queued) != 0) return 0;
  return std::max(queued, 0);
}

int BytesWaiting(int fd, const std::string& device) {
  int queued = 0;
  if (::ioctl(fd, FIONREAD, &queued) != 0)
    ThrowDeviceError("cannot count the input of", device, errno);
  return std::max(queued, 0);
}

void WriteAll(int fd, std::string_view bytes, milliseconds budget, const std::string& device) {
  std::optional<Clock::time_point> deadline;  // the clock is read only when the device is full
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (put > 0) {
      done += static_cast<std::size_t>(put);
      continue;
    }
    if (put < 0 && errno == EINTR) continue;
    if (put < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
      ThrowDeviceError("cannot write to", device, errno);
    if (!deadline) deadline = Clock::now() + budget;
    if (!AwaitRoom(fd, *deadline, device)) {
      throw SerialError("writing to serial port " + device + " timed out after " +
                            std::to_string(budget.count()) + " ms with " + std::to_string(done) +
                            " of " + std::to_string(bytes.size()) + " bytes written",
                        std::make_error_code(std::errc::timed_out));
    }
  }
}

int MakeWaitSet(int fd, int wake_fd, const std::string& device, Watch watch) {
  const int set = ::epoll_create1(EPOLL_CLOEXEC);
  if (set < 0) ThrowDeviceError("cannot make a wait set for", device, errno);
  epoll_event device_event{};
  // epoll always reports a hang-up and an error; without EPOLLIN the
  // terminal's wake-up for each byte received does not reach the waiter.
  device_event.events = watch == Watch::Input ? static_cast<std::uint32_t>(EPOLLIN) : 0U;
  device_event.data.u32 = 0;
  epoll_event wake_event{};
  wake_event.events = EPOLLIN;
  wake_event.data.u32 = 1;
  if (::epoll_ctl(set, EPOLL_CTL_ADD, fd, &device_event) != 0 ||
      ::epoll_ctl(set, EPOLL_CTL_ADD, wake_fd, &wake_event) != 0) {
    const int err = errno;
    ::close(set);
    ThrowDeviceError("cannot wait on", device, err);
  }
  return set;
}

Readiness WaitOnSet(int wait_set, int wake_fd, milliseconds slice, const std::string& device) {
  std::array<epoll_event, 2> events{};
  const int ready = ::epoll_wait(wait_set, events.data(), 2, PollTimeout(slice));
  if (ready < 0 && errno == EINTR) return Readiness::Timeout;
  if (ready < 0) ThrowDeviceError("cannot wait for input from", device, errno);
  Readiness readiness = Readiness::Timeout;
  for (int i = 0; i < ready; ++i) {
    if (events[i].data.u32 == 1) {
      std::uint64_t count = 0;  // reading an eventfd resets it
      [[maybe_unused]] const ssize_t got = ::read(wake_fd, &count, sizeof count);
      return Readiness::Interrupted;
    }
    readiness =
        (events[i].events & (EPOLLHUP | EPOLLERR)) ? Readiness::HungUp : Readiness::Readable;
  }
  return readiness;
}

int MakeWakeFd() {
  const int fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (fd < 0)
    throw SerialError(std::string("cannot make a wake-up descriptor: ") + std::strerror(errno));
  return fd;
}

void SignalWakeFd(int wake_fd) noexcept {
  const int saved = errno;
  const std::uint64_t one = 1;
  // EAGAIN only when the count is at its maximum: it is signalled anyway.
  [[maybe_unused]] const ssize_t put = ::write(wake_fd, &one, sizeof one);
  errno = saved;
}

bool CtsAsserted(int fd, const std::string& device, bool& modem_lines) {
  int lines = 0;
  if (::ioctl(fd, TIOCMGET, &lines) == 0) return (lines & TIOCM_CTS) != 0;
  if (errno == ENOTTY || errno == EINVAL) {
    modem_lines = false;
    return true;
  }
  ThrowDeviceError("cannot read the modem lines of", device, errno);
}

}  // namespace tavirel::port
