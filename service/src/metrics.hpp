#pragma once
// The service's counters in Prometheus's text form: documents by status,
// results of the register's replies by code, how long documents and calls
// took on their register, and the HTTP responses by status. Queue lengths
// are read from the workers when the text is made.
//
// Thread safety: every member may be called from any thread.
#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace tavirel::service {

/// A latency histogram with fixed bounds, in seconds.
class Histogram {
 public:
  static constexpr std::array<double, 12> kBounds = {0.005, 0.01, 0.025, 0.05, 0.1,  0.25,
                                                     0.5,   1.0,  2.5,   5.0,  10.0, 30.0};
  void Observe(double seconds);
  /// Prometheus lines for `name` with `labels` ("" or `kind="document"`).
  void Write(std::string& out, std::string_view name, std::string_view labels) const;

 private:
  std::array<std::uint64_t, kBounds.size()> buckets_{};  // counts per bound (not cumulative)
  std::uint64_t count_ = 0;
  double sum_ = 0;
};

struct QueueGauge {
  std::string register_name;
  std::size_t length = 0;
  bool open = false;
};

class Metrics {
 public:
  /// A document reached an end on `register_name`: its status name and time on the register.
  void DocumentFinished(std::string_view register_name, std::string_view status,
                        std::chrono::duration<double> took);
  /// A call ran on a register.
  void CallFinished(std::string_view register_name, std::chrono::duration<double> took);
  /// One reply of the register, by its result's name ("OP_OK", "EERR", "hang-up").
  void Result(std::string_view result_name);
  /// An HTTP response.
  void Response(int status);

  /// The whole exposition text, with the queues as given.
  [[nodiscard]] std::string Text(const std::vector<QueueGauge>& queues) const;

 private:
  mutable std::mutex mutex_;
  std::map<std::pair<std::string, std::string>, std::uint64_t> documents_;  // (register, status)
  std::map<std::string, std::uint64_t> results_;
  std::map<int, std::uint64_t> responses_;
  std::map<std::string, Histogram> document_seconds_;  // by register
  std::map<std::string, Histogram> call_seconds_;
};

}  // namespace tavirel::service
