#pragma once
// Fault switches of the line: misbehaviours the register shows on purpose,
// once (on the next command, on the N-th command from now, or on the next
// command with a given code) or at a seeded random rate.
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

/// One switch: at a rate in (0, 1] on each command, or once: on the next
/// command, after `skip` commands, or on the next command whose code is
/// `code`. A switch has at most one of a rate, a skip and a code.
struct FaultSwitch {
  Fault fault = Fault::Off;
  int param = 0;
  double rate = 0.0;
  int skip = 0;  // commands to let pass first ("#N" is N - 1); counts down as they pass
  int code = 0;  // fires on the next command with this four-digit code; 0: any command
  friend bool operator==(const FaultSwitch&, const FaultSwitch&) = default;
};

/// The largest N of "#N".
inline constexpr int kMaxFaultCommands = 1'000'000;

/// Parses `name[=param][@RATE | #N | :CODE]`: "ack-delay=4000", "noise@0.1",
/// "error=21@0.05", "error=blank", "no-reply#3" (the third command from
/// now), "error=22:1046", "paper-end:1003" (the next command with that code).
/// Throws SimError quoting the text when malformed.
FaultSwitch ParseFaultSwitch(std::string_view text);
/// The text form ParseFaultSwitch reads back; a once-switch on the N-th
/// command shows the commands still to come ("no-reply#2" after one passed).
std::string ToString(const FaultSwitch& entry);

/// A fault drawn for one command.
struct ActiveFault {
  Fault fault;
  int param;
};

/// The armed switches. Once-switches fire when their command comes and
/// disarm; rate switches fire on each command with their probability, drawn
/// from a generator seeded by Seed (so a run can be repeated). Not
/// thread-safe by itself: the line engine's owner guards it.
class FaultPlan {
 public:
  /// Arms `entry`. Throws SimError when it is not a switch ParseFaultSwitch
  /// could have read (a rate outside (0, 1], a negative skip, a code outside
  /// 1..9999, or more than one of them).
  void Arm(const FaultSwitch& entry);
  void Once(Fault fault, int param = 0) { Arm({fault, param, 0.0}); }
  void Rate(Fault fault, double rate, int param = 0) { Arm({fault, param, rate}); }
  void Seed(std::uint64_t seed) { random_.seed(seed); }
  void Clear() { armed_.clear(); }
  [[nodiscard]] const std::vector<FaultSwitch>& Armed() const { return armed_; }
  /// The faults that apply to the command just received; `code` is its
  /// four-digit command code, 0 when it has none that can be trusted (a frame
  /// with a wrong checksum). Every command counts for "#N".
  std::vector<ActiveFault> Draw(int code = 0);

 private:
  std::vector<FaultSwitch> armed_;
  std::mt19937_64 random_{0x7a5e};
};

}  // namespace tavirel::sim
