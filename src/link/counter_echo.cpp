#include "link/counter_echo.hpp"

#include "link/frame.hpp"

namespace tavirel::link {

std::string_view FrameCounterDigits(std::string_view frame) {
  return frame.size() < 3 ? std::string_view() : frame.substr(1, 2);
}

CounterEcho LearnFromProbeReply(std::string_view reply) {
  if (reply.empty() || !VerifyReplyChecksum(reply)) return CounterEcho::Unknown;
  return FrameCounterDigits(reply) == "01" ? CounterEcho::Probable : CounterEcho::None;
}

CounterEcho LearnFromReply(CounterEcho echo, std::string_view reply,
                           std::string_view request_counter) {
  if (echo != CounterEcho::Probable) return echo;
  return FrameCounterDigits(reply) == request_counter ? CounterEcho::Confirmed : CounterEcho::None;
}

bool IsStaleReply(CounterEcho echo, std::string_view reply, std::string_view request_counter) {
  return echo == CounterEcho::Confirmed && FrameCounterDigits(reply) != request_counter;
}

}  // namespace tavirel::link
