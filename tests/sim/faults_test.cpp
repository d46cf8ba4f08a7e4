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
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ParseFaultSwitch(row.text), row.want) << row.text;
    EXPECT_EQ(ParseFaultSwitch(ToString(row.want)), row.want) << row.text;
  }
}

TEST(FaultSwitch, RefusesMalformedTextNamingIt) {
  for (const char* text : {"", "fire", "ack-delay=x", "noise@0", "noise@1.5", "noise@abc", "off=-3",
                           "paper-end=blank"}) {
    try {
      ParseFaultSwitch(text);
      ADD_FAILURE() << "accepted " << text;
    } catch (const SimError& e) {
      EXPECT_NE(std::string(e.what()).find(text), std::string::npos) << e.what();
    }
  }
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
