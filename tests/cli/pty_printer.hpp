#pragma once
// A printer the test plays itself on a pseudo-terminal's master: the program
// under test opens the device path as its serial port. Every byte received is
// kept; each request frame is answered with what the test's responder gives.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>

namespace tavirel::testing {

inline constexpr char kSTX = '\x02';
inline constexpr char kETX = '\x03';
inline constexpr char kACK = '\x06';

/// A frame with a right checksum: STX, counter, `letter`, payload, checksum, ETX.
inline std::string Frame(std::string_view counter, char letter, std::string_view payload) {
  std::string body = std::string(counter) + letter + std::string(payload);
  int sum = 0;
  for (unsigned char c : body) sum += c;
  const int check = sum % 100;
  return std::string(1, kSTX) + body + static_cast<char>('0' + check / 10) +
         static_cast<char>('0' + check % 10) + kETX;
}

class PtyPrinter {
 public:
  /// Gets the command string of each request; returns the bytes to send back.
  using Responder = std::function<std::string(std::string_view command)>;

  explicit PtyPrinter(Responder responder) : responder_(std::move(responder)) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128];
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        ::ptsname_r(master_, name, sizeof name) != 0) {
      throw std::runtime_error("no pseudo-terminal");
    }
    path_ = name;
    // Kept open so the terminal does not hang up between the program's opens.
    slave_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    ::tcgetattr(slave_, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(slave_, TCSANOW, &tio);
    thread_ = std::thread([this] { Serve(); });
  }
  ~PtyPrinter() {
    stop_ = true;
    thread_.join();
    ::close(slave_);
    ::close(master_);
  }
  PtyPrinter(const PtyPrinter&) = delete;
  PtyPrinter& operator=(const PtyPrinter&) = delete;

  [[nodiscard]] const std::string& DevicePath() const { return path_; }
  [[nodiscard]] int SlaveFd() const { return slave_; }
  /// Every byte the program wrote.
  [[nodiscard]] std::string Received() const {
    std::lock_guard lock(mutex_);
    return received_;
  }

 private:
  void Serve() {
    std::string frame;
    char chunk[4096];
    while (!stop_) {
      pollfd p{master_, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN)) continue;
      const ssize_t n = ::read(master_, chunk, sizeof chunk);
      if (n <= 0) continue;
      {
        std::lock_guard lock(mutex_);
        received_.append(chunk, static_cast<std::size_t>(n));
      }
      for (ssize_t i = 0; i < n; ++i) {
        const char c = chunk[i];
        if (c == kSTX) frame.clear();
        frame += c;
        if (c == kETX && frame.front() == kSTX && frame.size() >= 7) {
          const std::string reply = responder_(std::string_view(frame).substr(4, frame.size() - 7));
          if (!reply.empty() && ::write(master_, reply.data(), reply.size()) < 0) return;
          frame.clear();
        }
      }
    }
  }

  Responder responder_;
  int master_ = -1;
  int slave_ = -1;
  std::string path_;
  mutable std::mutex mutex_;
  std::string received_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace tavirel::testing
