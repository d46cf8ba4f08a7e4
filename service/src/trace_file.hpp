#pragma once
// tavireld --trace: every byte on the registers' lines, decoded as
// `tavirel --trace` prints it, into one file (or standard error). Each
// register has a printer of its own, and each block (one item on the line)
// is written whole, so registers never split each other's blocks. With one
// register the file reads as tavirel's trace of the same exchange; with
// several, each line starts with "[NAME] ".
//
// Thread safety: each hook is called by its register's thread; any number
// of registers at once. The TraceFile must outlive its hooks' use.
#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "tavirel/host.hpp"
#include "tavirel/support/trace_printer.hpp"

namespace tavirel::service {

using TraceHook =
    std::function<void(TraceDirection, std::string_view, std::chrono::steady_clock::time_point)>;

class TraceFile {
 public:
  /// Appends to `path` ("-": standard error); times count from `origin`.
  /// Throws ConfigError naming the file.
  TraceFile(const std::string& path, std::chrono::steady_clock::time_point origin);
  /// Prints what the printers still hold (bytes read that make no whole item).
  ~TraceFile();
  TraceFile(const TraceFile&) = delete;
  TraceFile& operator=(const TraceFile&) = delete;

  /// The hook for one register's line; `label` heads each line ("" for none).
  TraceHook HookFor(const std::string& label);

 private:
  struct Line;
  void Write(Line& line);

  std::mutex mutex_;
  std::ofstream file_;
  std::ostream* out_;
  std::chrono::steady_clock::time_point origin_;
  std::vector<std::unique_ptr<Line>> lines_;
};

}  // namespace tavirel::service
