// The console's commands, each answered with one line, and what they do to
// the register.
#include "tavirel/sim/console.hpp"

#include <gtest/gtest.h>

namespace tavirel::sim {
namespace {

TEST(Console, EachCommandAnswersOneLineAndActs) {
  SimulatedRegister reg;
  struct Row {
    const char* line;
    const char* answer;  // its start
  };
  const Row rows[] = {
      {"fault error=21@0.5", "OK fault error=21@0.5"},
      {"  fault   noise \r", "OK fault   noise"},
      {"fault gremlins", "ERROR fault switch \"gremlins\""},
      {"fault", "ERROR fault needs argument"},
      {"power off", "OK power off"},
      {"power sideways", "ERROR power takes on or off"},
      {"refill now", "ERROR refill takes no argument"},
      {"", "ERROR unknown command"},
      {"stats", "STATS frames=0 checksum-errors=0 "},
  };
  for (const Row& row : rows) {
    const std::string answer = ConsoleCommand(reg, row.line);
    EXPECT_EQ(answer.rfind(row.answer, 0), 0u) << row.line << " -> " << answer;
    EXPECT_EQ(answer.find('\n'), std::string::npos);
  }
  EXPECT_FALSE(reg.Powered());
  ASSERT_EQ(reg.ArmedFaults().size(), 2u);
  EXPECT_EQ(reg.ArmedFaults()[0], (FaultSwitch{Fault::Error, 21, 0.5}));
  EXPECT_EQ(ConsoleCommand(reg, "clear"), "OK clear");
  EXPECT_TRUE(reg.ArmedFaults().empty());
  EXPECT_EQ(ConsoleCommand(reg, "power on"), "OK power on");
  EXPECT_TRUE(reg.Powered());
}

TEST(Console, StatsNameEveryCounterAndEverySwitch) {
  LineStats stats;
  stats.frames = 7;
  stats.dropped_frames = 2;
  stats.faults[static_cast<std::size_t>(Fault::ShortReply)] = 3;
  EXPECT_EQ(StatsLine(stats),
            "STATS frames=7 checksum-errors=0 acks-sent=0 replies-sent=0 host-acks=0 "
            "ignored-bytes=0 dropped-frames=2 faulted-frames=0 off=0 no-ack=0 no-reply=0 "
            "ack-delay=0 reply-delay=0 bad-checksum=0 noise=0 trailing=0 error=0 paper-end=0 "
            "long=0 short=3");
}

}  // namespace
}  // namespace tavirel::sim
