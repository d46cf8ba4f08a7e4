// The fault switches' names, their text form and how they are drawn.
#include "tavirel/sim/faults.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "tavirel/sim/errors.hpp"

namespace tavirel::sim {
namespace {

TEST(FaultSwitch, ParsesTheForms) {
  struct Row {
    const char* text;
    FaultSwitch want;
  };
  const Row rows[] = {
      {"off", {Fault::Off, 0, 0.0}},
      {"no-ack", {Fault::NoAck, 0, 0.0}},
      {"no-reply@0.5", {Fault::NoReply, 0, 0.5}},
      {"ack-delay=4000", {Fault::AckDelay, 4000, 0.0}},
      {"reply-delay=250@0.1", {Fault::ReplyDelay, 250, 0.1}},
      {"bad-checksum", {Fault::BadChecksum, 0, 0.0}},
      {"noise@1", {Fault::Noise, 0, 1.0}},
      {"trailing", {Fault::Trailing, 0, 0.0}},
      {"error=21", {Fault::Error, 21, 0.0}},
      {"error=blank", {Fault::Error, -1, 0.0}},
      {"paper-end=3000", {Fault::PaperEnd, 3000, 0.0}},
      {"long", {Fault::LongReply, 0, 0.0}},
      {"short@0.25", {Fault::ShortReply, 0, 0.25}},
      {"no-reply#3", {.fault = Fault::NoReply, .skip = 2}},
      {"error=22:1046", {.fault = Fault::Error, .param = 22, .code = 1046}},
      {"error=blank:0051", {.fault = Fault::Error, .param = -1, .code = 51}},
      {"paper-end:1003", {.fault = Fault::PaperEnd, .code = 1003}},
      {"ack-delay=4000#1000000", {.fault = Fault::AckDelay, .param = 4000, .skip = 999'999}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ParseFaultSwitch(row.text), row.want) << row.text;
    EXPECT_EQ(ParseFaultSwitch(ToString(row.want)), row.want) << row.text;
  }
}

TEST(FaultSwitch, RefusesMalformedTextNamingIt) {
  for (const char* text : {"",
                           "fire",
                           "ack-delay=x",
                           "noise@0",
                           "noise@1.5",
                           "noise@abc",
                           "off=-3",
                           "paper-end=blank",
                           "noise#0",
                           "noise#",
                           "noise#x",
                           "noise#-2",
                           "noise#1000001",
                           "error=22:104",
                           "error=22:10460",
                           "error=22:10a6",
                           "error=22:0000",
                           "error=22:",
                           "noise@0.5#2",
                           "noise:1003#2",
                           "noise#2:1003",
                           "noise#2@0.5",
                           "error:1046=22"}) {
    try {
      ParseFaultSwitch(text);
      ADD_FAILURE() << "accepted " << text;
    } catch (const SimError& e) {
      EXPECT_NE(std::string(e.what()).find(text), std::string::npos) << e.what();
    }
  }
}

TEST(FaultSwitch, TheNextCommandIsTheFirstFromNow) {
  EXPECT_EQ(ParseFaultSwitch("noise#1"), ParseFaultSwitch("noise"));
  EXPECT_EQ(ToString(ParseFaultSwitch("noise#1")), "noise");
}

TEST(FaultSwitch, ArmingRefusesWhatTheTextCouldNotSay) {
  FaultPlan plan;
  const FaultSwitch bad[] = {
      {.fault = Fault::Noise, .rate = 0.5, .skip = 1},
      {.fault = Fault::Noise, .skip = 1, .code = 1003},
      {.fault = Fault::Noise, .rate = 1.5},
      {.fault = Fault::Noise, .skip = -1},
      {.fault = Fault::Noise, .code = 10000},
  };
  for (const auto& entry : bad) EXPECT_THROW(plan.Arm(entry), SimError) << ToString(entry);
  EXPECT_TRUE(plan.Armed().empty());
}

// Which command each once-switch fires on: the codes of the commands as they
// come (0: a frame whose checksum was wrong), and the one it fires on.
TEST(FaultPlan, OnceSwitchesFireOnTheirCommandAndNoOther) {
  struct Row {
    const char* text;
    std::vector<int> codes;
    int fires_on;  // index into codes; -1: never
  };
  const Row rows[] = {
      {"no-reply", {4201, 1003, 1003}, 0},
      {"no-reply#1", {4201, 1003}, 0},
      {"no-reply#3", {4201, 1003, 1003, 1003}, 2},
      {"no-reply#2", {0, 1003, 1003}, 1},  // a garbled frame is a command too
      {"error=22:1046", {4201, 1003, 1051, 1046, 1046}, 3},
      {"paper-end:1003", {4201, 0, 1050, 1003, 1003}, 3},
      {"error=22:1046", {4201, 1003, 1036}, -1},
      {"error=22:1046", {0, 1046}, 1},  // a garbled frame's code is not trusted
      {"error=22:4201", {4201, 4201}, 0},
  };
  for (const Row& row : rows) {
    FaultPlan plan;
    plan.Arm(ParseFaultSwitch(row.text));
    for (std::size_t i = 0; i < row.codes.size(); ++i) {
      const auto drawn = plan.Draw(row.codes[i]);
      const bool here = static_cast<int>(i) == row.fires_on;
      ASSERT_EQ(drawn.size(), here ? 1u : 0u) << row.text << " at command " << i;
      if (here) {
        EXPECT_EQ(drawn[0].fault, ParseFaultSwitch(row.text).fault);
      }
    }
    EXPECT_EQ(plan.Armed().empty(), row.fires_on >= 0) << row.text;
  }
}

TEST(FaultPlan, ACountedSwitchShowsTheCommandsStillToCome) {
  FaultPlan plan;
  plan.Arm(ParseFaultSwitch("error=21#3"));
  plan.Arm(ParseFaultSwitch("trailing:1003"));
  plan.Draw(4201);
  ASSERT_EQ(plan.Armed().size(), 2u);
  EXPECT_EQ(ToString(plan.Armed()[0]), "error=21#2");
  EXPECT_EQ(ToString(plan.Armed()[1]), "trailing:1003");
  plan.Draw(4201);
  EXPECT_EQ(ToString(plan.Armed()[0]), "error=21");
}

TEST(FaultSwitch, EveryFaultHasANameThatFindsIt) {
  for (int i = 0; i < kFaultCount; ++i) {
    const auto fault = static_cast<Fault>(i);
    EXPECT_EQ(FaultByName(FaultName(fault)), fault);
  }
}

TEST(FaultPlan, SeededRateIsRepeatableAndNearItsRate) {
  auto draws = [](std::uint64_t seed) {
    FaultPlan plan;
    plan.Seed(seed);
    plan.Rate(Fault::Noise, 0.2);
    std::vector<bool> fired;
    for (int i = 0; i < 2000; ++i) fired.push_back(!plan.Draw().empty());
    return fired;
  };
  const auto a = draws(42);
  EXPECT_EQ(a, draws(42));
  EXPECT_NE(a, draws(43));
  const auto count = std::count(a.begin(), a.end(), true);
  EXPECT_GT(count, 300);
  EXPECT_LT(count, 500);
}

TEST(FaultPlan, OnceSwitchesOfDifferentFaultsFireTogetherAndOfTheSameFaultInTurn) {
  FaultPlan plan;
  plan.Once(Fault::AckDelay, 10);
  plan.Once(Fault::Noise);
  plan.Once(Fault::AckDelay, 20);
  const auto first = plan.Draw();
  ASSERT_EQ(first.size(), 2u);
  EXPECT_EQ(first[0].param, 10);
  const auto second = plan.Draw();
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(second[0].param, 20);
  EXPECT_TRUE(plan.Draw().empty());
}

}  // namespace
}  // namespace tavirel::sim
