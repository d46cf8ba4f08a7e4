#pragma once
// `tavirel sim` as a child process of a test: its standard input and output
// on pipes, its device read from its first line. Only this child is ever
// signalled, by its id, and never after it has been reaped.
#include <signal.h>

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "../support/child_process.hpp"

namespace tavirel::sim::test {

/// How a `tavirel sim` that was not meant to serve ended.
struct EndedRun {
  int status = -1;  // exit status, -1 when killed at the limit
  std::string err;  // its standard error
};

class SimProcess {
 public:
  /// Runs `tavirel sim ARGS...` expecting it to end on its own within
  /// `limit` (a refusal at start); kills it otherwise. `file_size_limit`
  /// (RLIMIT_FSIZE, 0 for none) makes its writes fail as on a full disk.
  static EndedRun RunToEnd(const std::vector<std::string>& args,
                           std::chrono::milliseconds limit = std::chrono::seconds(10),
                           unsigned long file_size_limit = 0) {
    testing::ChildOptions options;
    options.file_size_limit = file_size_limit;
    testing::ChildProcess child(Command(args), options);
    const std::optional<int> status = child.Wait(limit);
    return {status && *status >= 0 ? *status : -1, child.Errors()};
  }

  /// Starts `tavirel sim ARGS...` and waits (up to 10 s) for its DEVICE line.
  explicit SimProcess(const std::vector<std::string>& args, unsigned long file_size_limit = 0)
      : child_(Command(args), Options(file_size_limit)) {
    const std::string first = ReadLine(std::chrono::seconds(10));
    if (first.rfind("DEVICE ", 0) != 0) {
      throw std::runtime_error("tavirel sim did not start: \"" + first + "\"");
    }
    device_ = first.substr(7);
  }

  [[nodiscard]] const std::string& Device() const { return device_; }
  [[nodiscard]] pid_t Pid() const { return child_.Pid(); }

  /// One line of its standard output, without the newline; "" at the limit.
  std::string ReadLine(std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    return child_.ReadLine(limit);
  }
  /// Sends a line to its standard input.
  void WriteLine(const std::string& line) { child_.Write(line + "\n"); }
  void Signal(int signal) { child_.Signal(signal); }
  void Kill() {
    Signal(SIGKILL);
    Wait(std::chrono::seconds(10));
  }
  /// Its exit status (-1 when a signal ended it), or nullopt when it is
  /// still running at the limit.
  std::optional<int> Wait(std::chrono::milliseconds limit) {
    const std::optional<int> status = child_.Wait(limit);
    if (status && *status < 0) return -1;
    return status;
  }

 private:
  static std::vector<std::string> Command(const std::vector<std::string>& args) {
    std::vector<std::string> all = {TAVIREL_CLI_PATH, "sim"};
    all.insert(all.end(), args.begin(), args.end());
    return all;
  }
  // Its standard error stays the test's, so what it says is in the test's log.
  static testing::ChildOptions Options(unsigned long file_size_limit) {
    testing::ChildOptions options;
    options.inherit_stderr = true;
    options.file_size_limit = file_size_limit;
    return options;
  }

  testing::ChildProcess child_;
  std::string device_;
};

}  // namespace tavirel::sim::test
