#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "tavirel/sim/errors.hpp"
#include "tavirel/sim/pty_server.hpp"

namespace tavirel::sim {
namespace {

using std::chrono::milliseconds;

constexpr int kIdlePollMs = 50;

[[noreturn]] void Fail(const std::string& what) {
  throw SimError("pseudo-terminal: " + what + ": " + std::strerror(errno));
}

void MakeRaw(int fd) {
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) Fail("cannot read terminal settings");
  ::cfmakeraw(&tio);
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  if (::tcsetattr(fd, TCSANOW, &tio) != 0) Fail("cannot set raw mode");
}

std::string LinkTarget(const std::string& link) {
  char target[PATH_MAX];
  const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
  return n < 0 ? std::string() : std::string(target, static_cast<std::size_t>(n));
}

// A link a register left behind when it was killed: it names a
// pseudo-terminal that is gone. Any other file at the path may be in use.
bool LeftByAKilledRegister(const std::string& link) {
  const std::string target = LinkTarget(link);
  struct stat st {};
  return target.rfind("/dev/pts/", 0) == 0 && ::stat(target.c_str(), &st) != 0 && errno == ENOENT;
}

void PlaceLink(const std::string& link, const std::string& device) {
  struct stat st {};
  if (::lstat(link.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) {
      throw SimError("link path " + link + " exists and is not a symbolic link; nothing removed");
    }
    if (!LeftByAKilledRegister(link)) {
      throw SimError("link path " + link + " exists and leads to " + LinkTarget(link) +
                     ", which may be in use (another register?); nothing removed");
    }
    if (::unlink(link.c_str()) != 0) Fail("cannot replace link " + link);
  }
  if (::symlink(device.c_str(), link.c_str()) != 0) Fail("cannot create link " + link);
}

}  // namespace

PtyServer::PtyServer(SimulatedRegister& reg, PtyOptions options)
    : reg_(reg), options_(std::move(options)) {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0) Fail("cannot open a master");
  char name[PATH_MAX];
  if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
      ::ptsname_r(master_, name, sizeof name) != 0) {
    const int err = errno;
    ::close(master_);
    errno = err;
    Fail("cannot unlock the terminal");
  }
  device_ = name;
  slave_ = ::open(device_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_ < 0 || ::pipe2(wake_, O_CLOEXEC) != 0) {
    const int err = errno;
    ::close(master_);
    if (slave_ >= 0) ::close(slave_);
    errno = err;
    Fail("cannot open " + device_);
  }
  MakeRaw(slave_);
  ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  if (!options_.link_path.empty()) {
    try {
      PlaceLink(options_.link_path, device_);
    } catch (...) {
      for (int fd : {master_, slave_, wake_[0], wake_[1]}) ::close(fd);
      throw;
    }
    linked_ = true;
  }
  thread_ = std::thread([this] { Run(); });
}

PtyServer::~PtyServer() {
  stop_ = true;
  const char wake = 1;
  [[maybe_unused]] auto n = ::write(wake_[1], &wake, 1);
  thread_.join();
  // Only our own link: another program may have put its own there since.
  if (linked_ && LinkTarget(options_.link_path) == device_) ::unlink(options_.link_path.c_str());
  for (int fd : {master_, slave_, wake_[0], wake_[1]}) {
    if (fd >= 0) ::close(fd);
  }
}

std::exception_ptr PtyServer::Failure() const {
  std::lock_guard lock(failure_mutex_);
  return failure_;
}

void PtyServer::Run() {
  try {
    Serve();
  } catch (...) {
    std::lock_guard lock(failure_mutex_);
    failure_ = std::current_exception();
  }
}

void PtyServer::Serve() {
  char buffer[4096];
  while (!stop_) {
    int timeout = kIdlePollMs;
    if (const auto due = reg_.NextDue()) {
      const auto left =
          std::chrono::duration_cast<milliseconds>(*due - std::chrono::steady_clock::now()).count();
      timeout = static_cast<int>(std::clamp<long long>(left + 1, 0, kIdlePollMs));
    }
    pollfd fds[2] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (::poll(fds, 2, timeout) < 0 && errno != EINTR) Fail("poll failed");
    if (fds[0].revents & POLLIN) {
      const ssize_t n = ::read(master_, buffer, sizeof buffer);
      if (n > 0)
        reg_.OnBytes(std::string_view(buffer, static_cast<std::size_t>(n)),
                     std::chrono::steady_clock::now());
    }
    const std::string out = reg_.TakeDue(std::chrono::steady_clock::now());
    if (!out.empty()) WriteOut(out);
  }
}

void PtyServer::WriteOut(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size() && !stop_) {
    const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (errno == EAGAIN || errno == EINTR) {
      pollfd out{master_, POLLOUT, 0};
      ::poll(&out, 1, 10);
    } else {
      Fail("cannot write to " + device_);
    }
  }
}

PtySimulator StartOnPty(SimOptions options, PtyOptions pty) {
  PtySimulator sim;
  sim.reg = std::make_unique<SimulatedRegister>(std::move(options));
  sim.server = std::make_unique<PtyServer>(*sim.reg, std::move(pty));
  return sim;
}

}  // namespace tavirel::sim
