// A day with receipts must be closed within 24 hours of its first receipt:
// after that no new receipt opens (error 17) until the fiscal closure, while
// everything else works. Run on a wall clock the test moves; the day's times
// are kept in the state file.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <nlohmann/json.hpp>

#include "sim_support.hpp"
#include "tavirel/sim/printer_errors.hpp"
#include "tavirel/sim/simulated_register.hpp"
#include "temp_dir.hpp"

namespace tavirel::sim {
namespace {

using std::chrono::hours;
using std::chrono::minutes;
using test::Cash;
using test::Cmd;
using test::ErrorOf;
using test::Op;
using test::Sale;

constexpr int kDone = -1;  // ErrorOf a payload that is no error

// The register's clock set to 11:31 on 8 December 2026.
std::string SetClockNextDay() { return Cmd(4001).D(8, 2).D(12, 2).D(26, 2).D(11, 2).D(31, 2); }

struct Step {
  minutes later;  // the clock moves on by this much first
  std::string command;
  int error;  // kDone when carried out
};

TEST(DayRule, ANewReceiptWaitsForTheClosureOnceTheDayIsOlderThanADay) {
  const std::string sale = Sale("PANE", 150, 1);
  const std::string pay = Cash(0);
  const auto day = hours(24);
  struct Row {
    const char* name;
    std::vector<Step> steps;
  };
  const std::vector<Row> rows = {
      {"refused at 24 h and a minute, the rest works, fine after the closure",
       {{{}, sale, kDone},
        {{}, pay, kDone},
        {day + minutes(1), sale, perr::kImpossibileOra},
        {{}, Op(2001), kDone},
        {{}, Op(1063), kDone},
        {{}, Op(1065), kDone},
        {{}, Op(1050), kDone},
        {{}, Op(3001), kDone},
        {{}, sale, kDone},
        {{}, pay, kDone}}},
      {"24 hours to the minute are still the day",
       {{{}, sale, kDone},
        {{}, pay, kDone},
        {day, sale, kDone},
        {{}, pay, kDone},
        {minutes(1), sale, perr::kImpossibileOra}}},
      {"a receipt open across the mark goes on to its payment",
       {{{}, sale, kDone},
        {{}, pay, kDone},
        {day - minutes(1), sale, kDone},
        {minutes(2), sale, kDone},
        {{}, pay, kDone},
        {{}, sale, perr::kImpossibileOra}}},
      {"a voided receipt begins the day too",
       {{{}, sale, kDone}, {{}, Op(1028), kDone}, {day + minutes(1), sale, perr::kImpossibileOra}}},
      {"the day counts from its first receipt, not its last",
       {{{}, sale, kDone},
        {{}, pay, kDone},
        {hours(23), sale, kDone},
        {{}, pay, kDone},
        {hours(1) + minutes(1), sale, perr::kImpossibileOra}}},
      {"a day without receipts does not run out",
       {{{}, Op(2001), kDone},
        {{}, Op(1063), kDone},
        {{}, Op(1065), kDone},
        {hours(72), sale, kDone}}},
      {"the register's own clock set forward counts",
       {{{}, sale, kDone},
        {{}, pay, kDone},
        {{}, SetClockNextDay(), kDone},
        {{}, sale, perr::kImpossibileOra}}},
  };
  for (const Row& row : rows) {
    auto wall = test::FixedWall();
    RegisterModel reg = test::NewModel(&wall);
    for (std::size_t i = 0; i < row.steps.size(); ++i) {
      const Step& step = row.steps[i];
      wall += step.later;
      EXPECT_EQ(ErrorOf(reg.Execute(step.command).payload), step.error)
          << row.name << ", step " << i;
    }
  }
}

TEST(DayRule, TheRegisterKnowsWhenItsDayBeganAndWhenItWasClosed) {
  auto wall = test::FixedWall();
  RegisterModel reg = test::NewModel(&wall);
  EXPECT_FALSE(reg.State().day_opened_at);
  EXPECT_EQ(ErrorOf(reg.Execute(Sale("PANE", 150, 9)).payload), perr::kNonProgrammato);
  EXPECT_FALSE(reg.State().day_opened_at) << "a refused first line begins nothing";
  reg.Execute(Sale("PANE", 150, 1));
  const CivilTime opened{2026, 12, 7, 10, 30, 0};
  EXPECT_EQ(reg.State().day_opened_at, opened);
  reg.Execute(Cash(0));
  wall += hours(2);
  reg.Execute(Sale("LATTE", 100, 1));
  reg.Execute(Cash(0));
  EXPECT_EQ(reg.State().day_opened_at, opened);
  reg.Execute(Op(3001));
  EXPECT_FALSE(reg.State().day_opened_at);
  EXPECT_EQ(reg.State().last_closure_at, (CivilTime{2026, 12, 7, 12, 30, 0}));
}

class DayRuleKept : public ::testing::Test {
 protected:
  SimOptions Options() {
    SimOptions options;
    options.state_path = path;
    options.wall = [this] { return wall; };
    return options;
  }

  std::chrono::system_clock::time_point wall = test::FixedWall();
  test::TempDir dir;
  std::string path = dir / "register.json";
};

TEST_F(DayRuleKept, TheDaysBeginningSurvivesARestart) {
  {
    SimulatedRegister reg(Options());
    reg.Execute(Sale("PANE", 150, 1));
    reg.Execute(Cash(0));
  }
  wall += hours(24) + minutes(1);
  SimulatedRegister reg(Options());
  EXPECT_EQ(reg.State().day_opened_at, (CivilTime{2026, 12, 7, 10, 30, 0}));
  EXPECT_EQ(ErrorOf(reg.Execute(Sale("PANE", 150, 1))), perr::kImpossibileOra);
}

TEST_F(DayRuleKept, AStateKeptBeforeTheDayWasNotedCountsItsDayFromTheStart) {
  {
    SimulatedRegister reg(Options());
    reg.Execute(Sale("PANE", 150, 1));
    reg.Execute(Cash(0));
  }
  { SimulatedRegister fold(Options()); }  // a start folds the log into the snapshot
  // The snapshot as it was written before the day's beginning was noted.
  nlohmann::json snapshot;
  std::ifstream(path) >> snapshot;
  snapshot["version"] = 3;
  snapshot["state"].erase("day_opened_at");
  std::ofstream(path, std::ios::trunc) << snapshot.dump(1);
  wall += hours(30);
  {
    SimulatedRegister reg(Options());
    EXPECT_EQ(reg.State().receipt_number, 1);
    EXPECT_EQ(reg.State().day_opened_at, (CivilTime{2026, 12, 8, 16, 30, 0}));
    EXPECT_EQ(ErrorOf(reg.Execute(Sale("PANE", 150, 1))), kDone);
    reg.Execute(Cash(0));
  }
  wall += hours(24) + minutes(1);
  SimulatedRegister reg(Options());
  EXPECT_EQ(ErrorOf(reg.Execute(Sale("PANE", 150, 1))), perr::kImpossibileOra);
}

TEST_F(DayRuleKept, ALogRecordWrittenBeforeTheDayWasNotedStillLoads) {
  {
    SimulatedRegister reg(Options());
    reg.Execute(Sale("PANE", 150, 1));
  }
  // The log's record of the line, as written before: no day_opened_at in its head.
  std::string log;
  {
    std::ifstream in(path + ".log");
    std::getline(in, log);
  }
  ASSERT_FALSE(log.empty()) << "the sale is in the log";
  nlohmann::json record = nlohmann::json::parse(log);
  record["head"].erase("day_opened_at");
  std::ofstream(path + ".log", std::ios::trunc) << record.dump() << "\n";
  wall += hours(1);
  SimulatedRegister reg(Options());
  EXPECT_EQ(reg.State().phase, Phase::Sale);
  EXPECT_EQ(reg.State().receipt.entries.size(), 1u);
  // The record does not say: the day counts from this start.
  EXPECT_EQ(reg.State().day_opened_at, (CivilTime{2026, 12, 7, 11, 30, 0}));
}

}  // namespace
}  // namespace tavirel::sim
