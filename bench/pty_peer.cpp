#include "pty_peer.hpp"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <stdexcept>

namespace tavirel::bench {
namespace {

constexpr char kSTX = '\x02';
constexpr char kETX = '\x03';
constexpr char kACK = '\x06';

void WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (put > 0) {
      done += static_cast<std::size_t>(put);
    } else {
      pollfd p{fd, POLLOUT, 0};
      ::poll(&p, 1, 100);
    }
  }
}

}  // namespace

PtyPair::PtyPair() {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
    throw std::runtime_error("no pseudo-terminal");
  slave_path_ = ::ptsname(master_);
  keep_slave_ = ::open(slave_path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  termios tio{};
  ::tcgetattr(keep_slave_, &tio);
  ::cfmakeraw(&tio);
  ::tcsetattr(keep_slave_, TCSANOW, &tio);
}

PtyPair::~PtyPair() {
  ::close(keep_slave_);
  ::close(master_);
}

Responder::Responder(int master, std::string reply)
    : master_(master), reply_(std::move(reply)), thread_([this] { Run(); }) {}

Responder::~Responder() {
  stop_ = true;
  thread_.join();
}

void Responder::Run() {
  using Steady = std::chrono::steady_clock;
  const std::string at_once = std::string(1, kACK) + reply_;
  std::deque<Steady::time_point> replies_due;  // each request's reply, when delayed
  char chunk[4096];
  while (!stop_) {
    int wait_ms = 50;
    if (!replies_due.empty()) {
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(replies_due.front() - Steady::now());
      wait_ms = static_cast<int>(std::clamp<long long>(left.count(), 0, 50));
    }
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, wait_ms) > 0) {
      const ssize_t n = ::read(master_, chunk, sizeof chunk);
      for (ssize_t i = 0; i < n; ++i) {
        if (chunk[i] != kETX) continue;
        const int delay_ms = delay_ms_;
        if (delay_ms == 0) {
          WriteAll(master_, at_once);
        } else {
          WriteAll(master_, std::string(1, kACK));
          replies_due.push_back(Steady::now() + std::chrono::milliseconds(delay_ms));
        }
      }
    }
    while (!replies_due.empty() && replies_due.front() <= Steady::now()) {
      WriteAll(master_, reply_);
      replies_due.pop_front();
    }
  }
}

std::string SaleLineReplyFrame() {
  const std::string payload =
      "100301" + std::string(40, '0') + "0001000" + "1" + "000000150" + "000000150" + "02";
  const std::string body = "01E" + payload;
  int sum = 0;
  for (const unsigned char c : body) sum += c;
  return std::string(1, kSTX) + body + static_cast<char>('0' + sum % 100 / 10) +
         static_cast<char>('0' + sum % 10) + kETX;
}

std::string BareRequest() { return std::string(1, kSTX) + std::string(90, '1') + kETX; }

}  // namespace tavirel::bench
