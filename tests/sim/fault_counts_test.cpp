// The line counts the fault switches that fired, by kind, and the frames
// they fired on: what a soak run reports and checks its fault rate by.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "tavirel/sim/line_engine.hpp"

namespace tavirel::sim {
namespace {

class Echo : public CommandProcessor {
 public:
  std::string Process(std::string_view, TimePoint, const std::vector<ActiveFault>&) override {
    return "105001";
  }
};

std::string Request() {
  const std::string covered = "02E105000";
  int sum = 0;
  for (char c : covered) sum += static_cast<unsigned char>(c);
  return "\x02" + covered + std::to_string(sum % 100 / 10) + std::to_string(sum % 10) + "\x03";
}

TEST(FaultCounts, CountEachSwitchThatFiredAndEachFrameItFiredOn) {
  Echo reg;
  LineEngine engine(reg);
  const TimePoint t0(std::chrono::hours(1));
  engine.Faults().Once(Fault::Noise);
  engine.Faults().Once(Fault::Trailing);
  engine.OnBytes(Request(), t0);  // both fire on this frame
  engine.Faults().Once(Fault::LongReply);
  engine.OnBytes(Request(), t0);
  engine.OnBytes(Request(), t0);  // nothing armed
  const LineStats& stats = engine.Stats();
  EXPECT_EQ(stats.frames, 3);
  EXPECT_EQ(stats.faulted_frames, 2);
  EXPECT_EQ(stats.faults[static_cast<std::size_t>(Fault::Noise)], 1);
  EXPECT_EQ(stats.faults[static_cast<std::size_t>(Fault::Trailing)], 1);
  EXPECT_EQ(stats.faults[static_cast<std::size_t>(Fault::LongReply)], 1);
  EXPECT_EQ(stats.faults[static_cast<std::size_t>(Fault::NoReply)], 0);
}

TEST(FaultCounts, ARateSwitchIsCountedEachTimeItFires) {
  Echo reg;
  LineEngine engine(reg);
  engine.Faults().Rate(Fault::Trailing, 1.0);
  for (int i = 0; i < 5; ++i) engine.OnBytes(Request(), TimePoint(std::chrono::hours(1)));
  EXPECT_EQ(engine.Stats().faults[static_cast<std::size_t>(Fault::Trailing)], 5);
  EXPECT_EQ(engine.Stats().faulted_frames, 5);
}

}  // namespace
}  // namespace tavirel::sim
