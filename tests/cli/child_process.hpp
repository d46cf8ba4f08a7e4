#pragma once
// The built `tavirel` program run as a child process, with its standard
// streams on pipes, for the end-to-end tests.
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavirel::testing {

struct ProgramResult {
  int status = -1;  // exit status, or -1 when killed
  std::string out;
  std::string err;
};

/// How the child starts, beyond its arguments.
struct ChildOptions {
  std::string stdout_path;    // standard output to this file ("/dev/full") instead of a pipe
  bool close_stdout = false;  // started with standard output closed
  uid_t uid = 0;              // when not 0: the child drops to this user and group
  gid_t gid = 0;
};

class ChildProcess {
 public:
  explicit ChildProcess(const std::vector<std::string>& args, const ChildOptions& options = {}) {
    ::signal(SIGPIPE, SIG_IGN);  // a child that exits early must not take the test with it
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 ||
        ::pipe2(err, O_CLOEXEC) != 0) {
      throw std::runtime_error("pipe failed");
    }
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
      // Only async-signal-safe calls between fork and exec.
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      ::dup2(err[1], 2);
      if (!options.stdout_path.empty()) {
        const int fd = ::open(options.stdout_path.c_str(), O_WRONLY);
        if (fd < 0 || ::dup2(fd, 1) < 0) ::_exit(126);
      }
      if (options.close_stdout) ::close(1);
      if (options.uid != 0 && (::setgroups(0, nullptr) != 0 || ::setgid(options.gid) != 0 ||
                               ::setuid(options.uid) != 0)) {
        ::_exit(125);
      }
      std::vector<char*> argv;
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    in_ = in[1];
    out_ = out[0];
    err_ = err[0];
  }
  ~ChildProcess() {
    if (pid_ > 0 && !reaped_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    for (int fd : {in_, out_, err_}) {
      if (fd >= 0) ::close(fd);
    }
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  void Write(const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
      const ssize_t n = ::write(in_, text.data() + done, text.size() - done);
      if (n <= 0) return;  // the child stopped reading
      done += static_cast<std::size_t>(n);
    }
  }
  void CloseInput() {
    if (in_ >= 0) ::close(in_);
    in_ = -1;
  }

  /// One line of standard output (without its newline), or "" at the limit.
  std::string ReadLine(std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (true) {
      const auto newline = out_buffer_.find('\n');
      if (newline != std::string::npos) {
        std::string line = out_buffer_.substr(0, newline);
        out_buffer_.erase(0, newline + 1);
        return line;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0 || !ReadSome(out_, out_buffer_, static_cast<int>(left.count())))
        return "";
    }
  }

  void Signal(int signal) { ::kill(pid_, signal); }
  [[nodiscard]] pid_t Pid() const { return pid_; }

  /// Waits (up to `limit`) until the child catches or blocks `signal` (a
  /// handler, or a thread that waits for it), so a signal sent next is taken
  /// by the program rather than ending it.
  bool WaitForHandler(int signal, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    const std::string path = "/proc/" + std::to_string(pid_) + "/status";
    while (std::chrono::steady_clock::now() < deadline) {
      const unsigned long long taken = SignalMask(path, "SigCgt") | SignalMask(path, "SigBlk");
      if (taken & (1ULL << (signal - 1))) return true;
      ::usleep(10000);
    }
    return false;
  }

  /// Waits for the end (killing the child after `limit`) and collects the rest of its output.
  /// Its standard input is closed first unless `keep_input` (a child that must
  /// end on its own, not at the end of its input).
  ProgramResult Finish(std::chrono::milliseconds limit = std::chrono::seconds(60),
                       bool keep_input = false) {
    if (!keep_input) CloseInput();
    const auto deadline = std::chrono::steady_clock::now() + limit;
    bool out_open = true, err_open = true;
    while ((out_open || err_open) && std::chrono::steady_clock::now() < deadline) {
      pollfd fds[2] = {{out_open ? out_ : -1, POLLIN, 0}, {err_open ? err_ : -1, POLLIN, 0}};
      if (::poll(fds, 2, 100) <= 0) continue;
      if (fds[0].revents) out_open = ReadSome(out_, out_buffer_, 0);
      if (fds[1].revents) err_open = ReadSome(err_, err_buffer_, 0);
    }
    if (out_open || err_open) ::kill(pid_, SIGKILL);
    int wstatus = 0;
    ::waitpid(pid_, &wstatus, 0);
    reaped_ = true;
    ProgramResult result;
    result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    result.out = std::move(out_buffer_);
    result.err = std::move(err_buffer_);
    return result;
  }

 private:
  // Reads what is there; false at end of file.
  static bool ReadSome(int fd, std::string& into, int timeout_ms) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, timeout_ms) <= 0) return true;
    char chunk[4096];
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n <= 0) return false;
    into.append(chunk, static_cast<std::size_t>(n));
    return true;
  }

  // A signal mask of /proc/PID/status ("SigCgt": with a handler, "SigBlk": blocked).
  static unsigned long long SignalMask(const std::string& path, const std::string& name) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    std::string text(8192, '\0');
    const ssize_t n = ::read(fd, text.data(), text.size());
    ::close(fd);
    text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    const std::size_t at = text.find(name + ":\t");
    if (at == std::string::npos) return 0;
    return std::stoull(text.substr(at + name.size() + 2, 16), nullptr, 16);
  }

  pid_t pid_ = -1;
  bool reaped_ = false;
  int in_ = -1, out_ = -1, err_ = -1;
  std::string out_buffer_, err_buffer_;
};

#ifdef TAVIREL_CLI_PATH
inline std::string ProgramPath() { return TAVIREL_CLI_PATH; }

/// Runs `tavirel` with these arguments and standard input to its end.
inline ProgramResult RunTavirel(const std::vector<std::string>& args, const std::string& input = "",
                                const ChildOptions& options = {}) {
  std::vector<std::string> argv{ProgramPath()};
  argv.insert(argv.end(), args.begin(), args.end());
  ChildProcess child(argv, options);
  child.Write(input);
  return child.Finish();
}
#endif

}  // namespace tavirel::testing
