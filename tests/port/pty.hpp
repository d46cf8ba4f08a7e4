#pragma once
// A pseudo-terminal for the port tests: the port opens the slave device, the
// test plays the far end on the master.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>

namespace tavirel::testing {

class Pty {
 public:
  Pty() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
      throw std::runtime_error("no pseudo-terminal");
    }
    char name[128];
    if (::ptsname_r(master_, name, sizeof name) != 0)
      throw std::runtime_error("no pseudo-terminal name");
    slave_path_ = name;
  }
  ~Pty() {
    StopAnswering();
    CloseMaster();
  }
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  [[nodiscard]] const std::string& SlavePath() const { return slave_path_; }
  [[nodiscard]] int Master() const { return master_; }

  void CloseMaster() {
    StopAnswering();
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

  // Writes everything from the far end.
  void Write(std::string_view bytes) const {
    while (!bytes.empty()) {
      const ssize_t put = ::write(master_, bytes.data(), bytes.size());
      if (put > 0) {
        bytes.remove_prefix(static_cast<std::size_t>(put));
      } else {
        pollfd p{master_, POLLOUT, 0};
        if (::poll(&p, 1, 1000) <= 0) throw std::runtime_error("pty master does not take bytes");
      }
    }
  }

  // Reads at the far end until `count` bytes came or `limit` passed.
  [[nodiscard]] std::string Read(std::size_t count,
                                 std::chrono::milliseconds limit = std::chrono::seconds(2)) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::string got;
    char chunk[4096];
    while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
      pollfd p{master_, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      const ssize_t n = ::read(master_, chunk, sizeof chunk);
      if (n <= 0) break;
      got.append(chunk, static_cast<std::size_t>(n));
    }
    return got;
  }

  // Answers every request (each ETX that reaches the far end) with `answer`
  // from a thread of its own, until StopAnswering or destruction.
  void AnswerEachRequest(std::string answer) {
    StopAnswering();
    answering_ = true;
    answerer_ = std::thread([this, answer = std::move(answer)] {
      char chunk[512];
      while (answering_) {
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, 10) <= 0) continue;
        const ssize_t n = ::read(master_, chunk, sizeof chunk);
        for (ssize_t i = 0; i < n; ++i) {
          if (chunk[i] == '\x03') Write(answer);
        }
      }
    });
  }
  void StopAnswering() {
    answering_ = false;
    if (answerer_.joinable()) answerer_.join();
  }

  // The slave's terminal settings, as the master sees them.
  [[nodiscard]] termios SlaveSettings() const {
    termios tio{};
    if (::tcgetattr(master_, &tio) != 0)
      throw std::runtime_error("tcgetattr on the pty master failed");
    return tio;
  }

 private:
  int master_ = -1;
  std::string slave_path_;
  std::atomic<bool> answering_{false};
  std::thread answerer_;
};

}  // namespace tavirel::testing
