#pragma once
// `tavirel sim` as a child process of a test: its standard input and output
// on pipes, its device read from its first line. Only this child is ever
// signalled, by its id, and never after it has been reaped.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavirel::sim::test {

/// How a `tavirel sim` that was not meant to serve ended.
/// The limit on the size of any file the child writes (RLIMIT_FSIZE): past
/// it writes fail as on a full disk. 0 for none.
inline void LimitFileSize(unsigned long bytes) {
  if (bytes == 0) return;
  const rlimit limit{bytes, bytes};
  ::setrlimit(RLIMIT_FSIZE, &limit);
}

struct EndedRun {
  int status = -1;  // exit status, -1 when killed at the limit
  std::string err;  // its standard error
};

class SimProcess {
 public:
  /// Runs `tavirel sim ARGS...` expecting it to end on its own within
  /// `limit` (a refusal at start); kills it otherwise.
  static EndedRun RunToEnd(const std::vector<std::string>& args,
                           std::chrono::milliseconds limit = std::chrono::seconds(10),
                           unsigned long file_size_limit = 0) {
    int err[2];
    if (::pipe2(err, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    std::vector<std::string> all = {TAVIREL_CLI_PATH, "sim"};
    all.insert(all.end(), args.begin(), args.end());
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
      ::dup2(err[1], STDERR_FILENO);
      LimitFileSize(file_size_limit);
      std::vector<char*> argv;
      for (auto& a : all) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(err[1]);
    EndedRun run;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
      pollfd p{err[0], POLLIN, 0};
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) break;
      char chunk[4096];
      const ssize_t n = ::read(err[0], chunk, sizeof chunk);
      if (n <= 0) break;
      run.err.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(err[0]);
    int raw = 0;
    while (::waitpid(pid, &raw, WNOHANG) != pid) {
      if (std::chrono::steady_clock::now() >= deadline) {
        ::kill(pid, SIGKILL);  // still running at the limit: this child only
        ::waitpid(pid, &raw, 0);
        return run;
      }
      ::usleep(2000);
    }
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
  }

  /// Starts `tavirel sim ARGS...` and waits (up to 10 s) for its DEVICE line.
  explicit SimProcess(const std::vector<std::string>& args, unsigned long file_size_limit = 0) {
    ::signal(SIGPIPE, SIG_IGN);  // a child that ends early must not take the test with it
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
      throw std::runtime_error("pipe failed");
    std::vector<std::string> all = {TAVIREL_CLI_PATH, "sim"};
    all.insert(all.end(), args.begin(), args.end());
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
      ::dup2(in[0], STDIN_FILENO);
      LimitFileSize(file_size_limit);
      ::dup2(out[1], STDOUT_FILENO);
      std::vector<char*> argv;
      for (auto& a : all) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    in_ = in[1];
    out_ = out[0];
    const std::string first = ReadLine(std::chrono::seconds(10));
    if (first.rfind("DEVICE ", 0) != 0) {
      Kill();
      throw std::runtime_error("tavirel sim did not start: \"" + first + "\"");
    }
    device_ = first.substr(7);
  }
  ~SimProcess() {
    Kill();
    for (int fd : {in_, out_}) {
      if (fd >= 0) ::close(fd);
    }
  }
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  [[nodiscard]] const std::string& Device() const { return device_; }
  [[nodiscard]] pid_t Pid() const { return pid_; }

  /// One line of its standard output, without the newline; "" at the limit.
  std::string ReadLine(std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
      const auto newline = buffer_.find('\n');
      if (newline != std::string::npos) {
        std::string line = buffer_.substr(0, newline);
        buffer_.erase(0, newline + 1);
        return line;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
      pollfd p{out_, POLLIN, 0};
      if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) return {};
      char chunk[4096];
      const ssize_t n = ::read(out_, chunk, sizeof chunk);
      if (n <= 0) return {};
      buffer_.append(chunk, static_cast<std::size_t>(n));
    }
  }
  /// Sends a line to its standard input.
  void WriteLine(const std::string& line) {
    const std::string text = line + "\n";
    [[maybe_unused]] const auto n = ::write(in_, text.data(), text.size());
  }
  void Signal(int signal) {
    if (pid_ > 0 && !status_) ::kill(pid_, signal);
  }
  void Kill() {
    Signal(SIGKILL);
    Wait(std::chrono::seconds(10));
  }
  /// Its exit status (-1 when a signal ended it), or nullopt when it is
  /// still running at the limit.
  std::optional<int> Wait(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!status_) {
      int raw = 0;
      const pid_t done = ::waitpid(pid_, &raw, WNOHANG);
      if (done == pid_) {
        status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
      } else if (std::chrono::steady_clock::now() >= deadline) {
        return std::nullopt;
      } else {
        ::usleep(2000);
      }
    }
    return status_;
  }

 private:
  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
  std::string buffer_;
  std::string device_;
  std::optional<int> status_;
};

}  // namespace tavirel::sim::test
