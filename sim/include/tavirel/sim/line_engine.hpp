#pragma once
// The register's side of the line, driven by a clock it is given: it takes
// the bytes the host wrote, assembles request frames, answers ACK, checks the
// checksum, has the command carried out and schedules the reply frame, each
// byte at the time it is due. Nothing here sleeps or reads a clock, so every
// timing rule and fault runs in virtual time. Not thread-safe by itself.
#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tavirel/sim/faults.hpp"
#include "tavirel/sim/pacing.hpp"

namespace tavirel::sim {

using TimePoint = std::chrono::steady_clock::time_point;

/// What the line hands to the register for each good frame.
class CommandProcessor {
 public:
  virtual ~CommandProcessor() = default;
  /// Carries out `command` (the bytes between the frame's head and its
  /// checksum) and returns the reply payload. `faults` are the switches that
  /// fired on this command; the register itself acts on the paper end.
  virtual std::string Process(std::string_view command, TimePoint now,
                              const std::vector<ActiveFault>& faults) = 0;
};

struct LineStats {
  int frames = 0;           // complete request frames
  int checksum_errors = 0;  // frames answered with error 30
  int acks_sent = 0;
  int replies_sent = 0;                   // reply frames scheduled
  int host_acks = 0;                      // ACKs the host sent after a reply
  int ignored_bytes = 0;                  // bytes outside any frame that were not ACK
  int dropped_frames = 0;                 // frames lost to the off switch
  int faulted_frames = 0;                 // frames on which at least one fault switch fired
  std::array<int, kFaultCount> faults{};  // switches fired, by Fault
};

class LineEngine {
 public:
  static constexpr char kStx = 0x02;
  static constexpr char kEtx = 0x03;
  static constexpr char kAck = 0x06;
  static constexpr std::size_t kMaxFrame = 512;
  static constexpr char kReplyMark = 'R';  // position 4 of every reply

  explicit LineEngine(CommandProcessor& processor, Pacing pacing = {});

  /// Bytes written by the host, arriving at `now`.
  void OnBytes(std::string_view bytes, TimePoint now);
  /// The bytes whose time has come, in order.
  std::string TakeDue(TimePoint now);
  /// When the next byte is due, if any waits.
  [[nodiscard]] std::optional<TimePoint> NextDue() const;
  /// Whether the register holds Clear To Send asserted at `now`.
  [[nodiscard]] bool CtsAsserted(TimePoint now) const;

  /// Switches the register off (nothing answered, CTS low) or on again.
  void SetPower(bool on);
  [[nodiscard]] bool Powered() const { return powered_; }
  /// Holds Clear To Send low (the register is not ready: it hears nothing,
  /// and what it already had to send still leaves) or lets it go again.
  void HoldCtsLow(bool low) { cts_held_low_ = low; }
  [[nodiscard]] bool CtsHeldLow() const { return cts_held_low_; }

  FaultPlan& Faults() { return faults_; }
  [[nodiscard]] const FaultPlan& Faults() const { return faults_; }
  void SetPacing(const Pacing& pacing) { pacing_ = pacing; }
  [[nodiscard]] const Pacing& GetPacing() const { return pacing_; }
  [[nodiscard]] const LineStats& Stats() const { return stats_; }

  /// The reply frame around `payload` with its checksum.
  static std::string BuildReply(std::string_view counter, std::string_view payload);
  /// The two-digit checksum of `covered` (sum of byte codes mod 100).
  static std::string Checksum(std::string_view covered);
  /// An error reply's payload: "EERR", a blank, the number in two digits
  /// (blanks when `number` is negative).
  static std::string ErrorPayload(int number);

 private:
  void OnFrame(const std::string& frame, TimePoint now);
  void Enqueue(std::string_view bytes, TimePoint earliest);

  CommandProcessor& processor_;
  Pacing pacing_;
  FaultPlan faults_;
  LineStats stats_;
  bool powered_ = true;
  bool cts_held_low_ = false;
  std::optional<TimePoint> cts_low_until_;
  bool in_frame_ = false;
  std::string frame_;
  std::deque<std::pair<TimePoint, char>> out_;
  TimePoint tx_free_at_{};
};

}  // namespace tavirel::sim
