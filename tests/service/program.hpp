#pragma once
// A program of ours (tavireld, tavirel sim) run as a child process for the
// end-to-end tests: the shared child process, its lines read until a limit.
#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "../support/child_process.hpp"

namespace tavirel::service::testing {

class Program : public tavirel::testing::ChildProcess {
 public:
  /// Starts `args[0]` with `args`, and `environment` added to the test's own.
  explicit Program(const std::vector<std::string>& args,
                   const std::map<std::string, std::string>& environment = {})
      : ChildProcess(args, Options(environment)) {}

  /// The next line of standard output, or nothing by the limit (or at its end).
  std::optional<std::string> ReadLine(std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    return TakeLine(limit);
  }
  [[nodiscard]] pid_t pid() const { return Pid(); }

 private:
  static tavirel::testing::ChildOptions Options(std::map<std::string, std::string> environment) {
    tavirel::testing::ChildOptions options;
    options.environment = std::move(environment);
    return options;
  }
};

}  // namespace tavirel::service::testing
