#pragma once
// A program of ours run as a child process for the end-to-end tests: its
// standard output read line by line, its standard error kept, stopped by a
// signal of the test's choice and always reaped.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavirel::service::testing {

class Program {
 public:
  /// Starts `args[0]` with `args`, and `environment` added to the test's own.
  explicit Program(const std::vector<std::string>& args,
                   const std::map<std::string, std::string>& environment = {}) {
    ::signal(SIGPIPE, SIG_IGN);
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
      throw std::runtime_error("pipe failed");
    }
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
      ::dup2(out[1], 1);
      ::dup2(err[1], 2);
      const int null = ::open("/dev/null", O_RDONLY);
      ::dup2(null, 0);
      for (const auto& [name, value] : environment) ::setenv(name.c_str(), value.c_str(), 1);
      std::vector<char*> argv;
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    out_ = out[0];
    err_ = err[0];
    ::fcntl(out_, F_SETFL, O_NONBLOCK);
    ::fcntl(err_, F_SETFL, O_NONBLOCK);
  }
  ~Program() {
    if (!status_) {
      ::kill(pid_, SIGKILL);
      Wait(std::chrono::seconds(10));
    }
    ::close(out_);
    ::close(err_);
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  /// The next line of standard output, or nothing by the limit (or at its end).
  std::optional<std::string> ReadLine(std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (true) {
      const auto newline = out_text_.find('\n');
      if (newline != std::string::npos) {
        std::string line = out_text_.substr(0, newline);
        out_text_.erase(0, newline + 1);
        return line;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return std::nullopt;
      pollfd p{out_, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left.count())) > 0 && !Drain(out_, out_text_) &&
          out_text_.find('\n') == std::string::npos) {
        return std::nullopt;  // the end, and no whole line read before it
      }
    }
  }

  void Signal(int signal) { ::kill(pid_, signal); }

  /// Waits for the end: the exit status, -signal when killed, or nothing by the limit.
  std::optional<int> Wait(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!status_) {
      Drain(err_, err_text_);
      int wstatus = 0;
      const pid_t done = ::waitpid(pid_, &wstatus, WNOHANG);
      if (done == pid_) {
        status_ = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -WTERMSIG(wstatus);
        break;
      }
      if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
      ::usleep(5000);
    }
    Drain(out_, out_text_);
    Drain(err_, err_text_);
    return status_;
  }

  /// Standard error so far (and what standard output holds unread).
  std::string Errors() {
    Drain(err_, err_text_);
    return err_text_;
  }
  std::string Output() {
    Drain(out_, out_text_);
    return out_text_;
  }
  [[nodiscard]] pid_t pid() const { return pid_; }

 private:
  // Reads what is there; false at end of file.
  static bool Drain(int fd, std::string& into) {
    char buffer[4096];
    while (true) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n > 0) {
        into.append(buffer, static_cast<std::size_t>(n));
        continue;
      }
      return n < 0;  // EAGAIN: open but empty
    }
  }

  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
  std::string out_text_;
  std::string err_text_;
  std::optional<int> status_;
};

}  // namespace tavirel::service::testing
