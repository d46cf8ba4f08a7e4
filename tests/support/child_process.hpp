#pragma once
// A program of ours run as a child process for the end-to-end tests: its
// standard streams on pipes, its output read line by line or to its end, its
// standard error kept, signalled only until it has been reaped and always
// reaped.
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

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
  bool inherit_stderr = false;        // standard error the test's own instead of a pipe
  unsigned long file_size_limit = 0;  // RLIMIT_FSIZE: past it writes fail as on a full disk
  std::map<std::string, std::string> environment;  // added to the test's own
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
    std::vector<std::string> environment = Environment(options.environment);
    std::vector<char*> envp;
    for (auto& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
      // Only async-signal-safe calls between fork and exec.
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      if (!options.inherit_stderr) ::dup2(err[1], 2);
      if (options.file_size_limit != 0) {
        const rlimit limit{options.file_size_limit, options.file_size_limit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
      }
      if (!options.stdout_path.empty()) {
        const int fd = ::open(options.stdout_path.c_str(), O_WRONLY);
        if (fd < 0 || ::dup2(fd, 1) < 0) ::_exit(126);
      }
      if (options.close_stdout) ::close(1);
      if (options.uid != 0 && (::setgroups(0, nullptr) != 0 || ::setgid(options.gid) != 0 ||
                               ::setuid(options.uid) != 0)) {
        ::_exit(125);
      }
      ::execve(argv[0], argv.data(), envp.data());
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
    if (pid_ > 0 && !status_) {
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

  /// One line of standard output (without its newline), or nothing by the
  /// limit or at its end.
  std::optional<std::string> TakeLine(std::chrono::milliseconds limit) {
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
        return std::nullopt;
    }
  }
  /// The same, "" at the limit.
  std::string ReadLine(std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    return TakeLine(limit).value_or("");
  }

  /// Signals the child, never after it has been reaped (its id may be another's).
  void Signal(int signal) {
    if (pid_ > 0 && !status_) ::kill(pid_, signal);
  }
  [[nodiscard]] pid_t Pid() const { return pid_; }

  /// Waits for the end, reading standard error meanwhile (standard output is
  /// left to the test): the exit status, -signal when a signal ended it, or
  /// nothing by the limit.
  std::optional<int> Wait(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!status_) {
      Errors();
      int wstatus = 0;
      if (::waitpid(pid_, &wstatus, WNOHANG) == pid_) {
        status_ = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -WTERMSIG(wstatus);
        break;
      }
      if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
      ::usleep(2000);
    }
    return status_;
  }

  /// Standard error so far.
  std::string Errors() {
    while (Readable(err_) && ReadSome(err_, err_buffer_, 0)) {
    }
    return err_buffer_;
  }
  /// Standard output so far, what no line has taken.
  std::string Output() {
    while (Readable(out_) && ReadSome(out_, out_buffer_, 0)) {
    }
    return out_buffer_;
  }

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
    if (out_open || err_open) Signal(SIGKILL);
    if (!status_) {
      int wstatus = 0;
      ::waitpid(pid_, &wstatus, 0);
      status_ = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -WTERMSIG(wstatus);
    }
    ProgramResult result;
    result.status = *status_ < 0 ? -1 : *status_;
    result.out = std::move(out_buffer_);
    result.err = std::move(err_buffer_);
    return result;
  }

 private:
  // The test's environment with `added` over it, as execve takes it.
  static std::vector<std::string> Environment(const std::map<std::string, std::string>& added) {
    std::vector<std::string> all;
    for (char** e = environ; *e != nullptr; ++e) {
      const char* equals = std::strchr(*e, '=');
      const std::string name(*e, equals ? static_cast<std::size_t>(equals - *e) : std::strlen(*e));
      if (!added.contains(name)) all.emplace_back(*e);
    }
    for (const auto& [name, value] : added) all.push_back(name + "=" + value);
    return all;
  }
  static bool Readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return fd >= 0 && ::poll(&p, 1, 0) > 0;
  }

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
  std::optional<int> status_;  // once reaped: the exit status, or -signal
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

/// The lines of a program's output, each without its newline.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

}  // namespace tavirel::testing
