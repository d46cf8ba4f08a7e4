#pragma once
// Fault switches of the line: misbehaviours the register shows on purpose,
// for the next command or at a seeded random rate.
#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace tavirel::sim {

enum class Fault {
  Off,          // register switched off: nothing answered, CTS low for `param` ms
  NoAck,        // the reply comes without an ACK before it
  NoReply,      // ACK, then nothing (the command is carried out)
  AckDelay,     // ACK `param` ms late
  ReplyDelay,   // reply `param` ms late
  BadChecksum,  // reply with a wrong checksum (the command is carried out)
  Noise,        // after the ACK a stray STX and characters, then the reply
  Trailing,     // characters after the reply's ETX
  Error,        // an error reply with number `param` (-1: blank number); not carried out
  PaperEnd,     // the paper runs out; refilled after `param` ms (0: by RefillPaper)
  LongReply,    // reply payload one character too long
  ShortReply,   // reply payload one character too short
};

inline constexpr int kFaultCount = 12;

/// The switch's name on the command line: "off", "no-ack", "no-reply",
/// "ack-delay", "reply-delay", "bad-checksum", "noise", "trailing", "error",
/// "paper-end", "long", "short".
std::string_view FaultName(Fault fault);
std::optional<Fault> FaultByName(std::string_view name);

/// One switch: once (rate 0) or at a rate in (0, 1].
struct FaultSwitch {
  Fault fault = Fault::Off;
  int param = 0;
  double rate = 0.0;
  friend bool operator==(const FaultSwitch&, const FaultSwitch&) = default;
};

/// Parses "name", "name=param", "name@rate" or "name=param@rate":
/// "ack-delay=4000", "noise@0.1", "error=21@0.05", "error=blank".
/// Throws SimError quoting the text when malformed.
FaultSwitch ParseFaultSwitch(std::string_view text);
std::string ToString(const FaultSwitch& entry);

/// A fault drawn for one command.
struct ActiveFault {
  Fault fault;
  int param;
};

/// The armed switches. Once-switches fire on the next command and disarm;
/// rate switches fire on each command with their probability, drawn from a
/// generator seeded by Seed (so a run can be repeated).
class FaultPlan {
 public:
  void Arm(const FaultSwitch& entry);
  void Once(Fault fault, int param = 0) { Arm({fault, param, 0.0}); }
  void Rate(Fault fault, double rate, int param = 0) { Arm({fault, param, rate}); }
  void Seed(std::uint64_t seed) { random_.seed(seed); }
  void Clear() { armed_.clear(); }
  [[nodiscard]] const std::vector<FaultSwitch>& Armed() const { return armed_; }
  /// The faults that apply to the command just received.
  std::vector<ActiveFault> Draw();

 private:
  std::vector<FaultSwitch> armed_;
  std::mt19937_64 random_{0x7a5e};
};

}  // namespace tavirel::sim
