#include "tavirel/sim/line_engine.hpp"

#include <algorithm>
#include <cstdio>

namespace tavirel::sim {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kDefaultOffTime{1000};
constexpr std::string_view kNoise =
    "\x02"
    "0?NOISE";
constexpr std::string_view kTrailing = "##";

bool Has(const std::vector<ActiveFault>& faults, Fault fault) {
  return std::any_of(faults.begin(), faults.end(),
                     [fault](const ActiveFault& f) { return f.fault == fault; });
}

int ParamOf(const std::vector<ActiveFault>& faults, Fault fault) {
  for (const auto& f : faults) {
    if (f.fault == fault) return f.param;
  }
  return 0;
}

bool ChecksumMatches(const std::string& frame) {
  const std::size_t n = frame.size();
  if (n < 6) return false;
  const char hi = frame[n - 3];
  const char lo = frame[n - 2];
  if (hi < '0' || hi > '9' || lo < '0' || lo > '9') return false;
  return LineEngine::Checksum(std::string_view(frame).substr(1, n - 4)) == std::string{hi, lo};
}

// The command's four-digit code, 0 when it does not start with one.
int CodeOf(std::string_view command) {
  if (command.size() < 4) return 0;
  int code = 0;
  for (char c : command.substr(0, 4)) {
    if (c < '0' || c > '9') return 0;
    code = code * 10 + (c - '0');
  }
  return code;
}

}  // namespace

LineEngine::LineEngine(CommandProcessor& processor, Pacing pacing)
    : processor_(processor), pacing_(pacing) {}

std::string LineEngine::Checksum(std::string_view covered) {
  unsigned sum = 0;
  for (char c : covered) sum += static_cast<unsigned char>(c);
  char digits[3];
  std::snprintf(digits, sizeof digits, "%02u", sum % 100);
  return digits;
}

std::string LineEngine::BuildReply(std::string_view counter, std::string_view payload) {
  std::string covered;
  covered += counter;
  covered += kReplyMark;
  covered += payload;
  return std::string(1, kStx) + covered + Checksum(covered) + std::string(1, kEtx);
}

std::string LineEngine::ErrorPayload(int number) {
  char digits[3] = {' ', ' ', '\0'};
  if (number >= 0) std::snprintf(digits, sizeof digits, "%02d", number % 100);
  return std::string("EERR ") + digits;
}

void LineEngine::SetPower(bool on) {
  powered_ = on;
  if (!on) {
    in_frame_ = false;
    frame_.clear();
    out_.clear();
  }
}

bool LineEngine::CtsAsserted(TimePoint now) const {
  if (!powered_ || cts_held_low_) return false;
  return !(cts_low_until_ && now < *cts_low_until_);
}

void LineEngine::OnBytes(std::string_view bytes, TimePoint now) {
  if (!CtsAsserted(now)) return;  // switched off: the line is dead
  for (char c : bytes) {
    if (c == kStx) {
      in_frame_ = true;
      frame_.assign(1, c);
      continue;
    }
    if (!in_frame_) {
      if (c == kAck) {
        ++stats_.host_acks;
      } else {
        ++stats_.ignored_bytes;
      }
      continue;
    }
    frame_ += c;
    if (c == kEtx) {
      in_frame_ = false;
      std::string frame;
      frame.swap(frame_);
      OnFrame(frame, now);
    } else if (frame_.size() > kMaxFrame) {
      in_frame_ = false;  // runaway frame: drop it and wait for the next STX
      frame_.clear();
    }
  }
}

void LineEngine::OnFrame(const std::string& frame, TimePoint now) {
  ++stats_.frames;
  // Only a sound frame's code can be trusted to pick a switch armed for a code.
  const bool sound = frame.size() >= 7 && ChecksumMatches(frame);
  const std::string command = sound ? frame.substr(4, frame.size() - 7) : std::string();
  const auto faults = faults_.Draw(sound ? CodeOf(command) : 0);
  if (!faults.empty()) ++stats_.faulted_frames;
  for (const auto& f : faults) ++stats_.faults[static_cast<std::size_t>(f.fault)];
  if (Has(faults, Fault::Off)) {
    ++stats_.dropped_frames;
    const int ms = ParamOf(faults, Fault::Off);
    cts_low_until_ = now + (ms > 0 ? milliseconds(ms) : kDefaultOffTime);
    return;
  }
  const auto byte_time = pacing_.ByteTime();
  const TimePoint received = now + byte_time * static_cast<long>(frame.size());
  const std::string counter = frame.size() >= 3 ? frame.substr(1, 2) : std::string("00");

  std::string payload;
  CommandKind kind = CommandKind::Ordinary;
  if (!sound) {
    ++stats_.checksum_errors;
    payload = ErrorPayload(30);
  } else {
    kind = CommandKindOf(command);
    if (Has(faults, Fault::Error)) {
      payload = ErrorPayload(ParamOf(faults, Fault::Error));
    } else {
      payload = processor_.Process(command, now, faults);
    }
  }
  if (Has(faults, Fault::LongReply)) payload += ' ';
  if (Has(faults, Fault::ShortReply) && !payload.empty()) payload.pop_back();

  TimePoint ack_at = received + milliseconds(ParamOf(faults, Fault::AckDelay));
  if (!Has(faults, Fault::NoAck)) {
    Enqueue(std::string(1, kAck), ack_at);
    ++stats_.acks_sent;
    ack_at = std::max(ack_at, tx_free_at_);
    if (Has(faults, Fault::Noise)) Enqueue(kNoise, ack_at);
  }
  if (Has(faults, Fault::NoReply)) return;
  std::string reply = BuildReply(counter, payload);
  if (Has(faults, Fault::BadChecksum)) {
    char& units = reply[reply.size() - 2];
    units = static_cast<char>('0' + (units - '0' + 1) % 10);
  }
  if (Has(faults, Fault::Trailing)) reply += kTrailing;
  const TimePoint reply_at =
      ack_at + pacing_.processing.For(kind) + milliseconds(ParamOf(faults, Fault::ReplyDelay));
  Enqueue(reply, reply_at);
  ++stats_.replies_sent;
}

void LineEngine::Enqueue(std::string_view bytes, TimePoint earliest) {
  const auto byte_time = pacing_.ByteTime();
  for (char c : bytes) {
    const TimePoint start = std::max(earliest, tx_free_at_);
    const TimePoint done = start + byte_time;
    out_.emplace_back(done, c);
    tx_free_at_ = done;
  }
}

std::string LineEngine::TakeDue(TimePoint now) {
  std::string due;
  while (!out_.empty() && out_.front().first <= now) {
    due += out_.front().second;
    out_.pop_front();
  }
  return due;
}

std::optional<TimePoint> LineEngine::NextDue() const {
  if (out_.empty()) return std::nullopt;
  return out_.front().first;
}

}  // namespace tavirel::sim
