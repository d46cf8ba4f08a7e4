// Commands run on the register's own state with an undo record: a walk
// through every command code (and refusals on the way) where each command
// that changed something is taken back, must leave the state exactly as it
// was, and then runs again to the same result. A part of the state a command
// changes without its undo record knowing shows here.
#include <gtest/gtest.h>

#include <set>

#include "command_walk.hpp"
#include "sim_support.hpp"

namespace tavirel::sim {
namespace {

using test::Cash;
using test::Cmd;
using test::Op;
using test::Sale;

// Runs `commands`, taking back and redoing each one that changed something;
// returns the codes that succeeded.
std::set<int> WalkWithUndo(RegisterModel& reg, const std::vector<std::string>& commands) {
  std::set<int> done;
  for (const std::string& command : commands) {
    SCOPED_TRACE(command);
    const RegisterState before = reg.State();
    const std::vector<FiscalRecord> memory = reg.FiscalMemory();
    const Outcome first = reg.Execute(command);
    if (!first.changed) {
      EXPECT_EQ(reg.State(), before);
      EXPECT_EQ(reg.FiscalMemory(), memory);
      continue;
    }
    done.insert(std::stoi(command.substr(0, 4)));
    const RegisterState after = reg.State();
    const std::vector<FiscalRecord> memory_after = reg.FiscalMemory();
    reg.Revert();
    EXPECT_EQ(reg.State(), before) << "taken back incompletely";
    EXPECT_EQ(reg.FiscalMemory(), memory);
    EXPECT_EQ(reg.Execute(command).payload, first.payload);
    EXPECT_EQ(reg.State(), after);
    EXPECT_EQ(reg.FiscalMemory(), memory_after);
  }
  return done;
}

TEST(Undo, EveryCommandIsTakenBackWholeAndRedoneTheSame) {
  auto wall = test::FixedWall();
  RegisterModel reg = test::NewModel(&wall);
  const std::set<int> done = WalkWithUndo(reg, test::EveryCommand());
  const std::set<int> expected = {1003, 1009, 1015, 1024, 1025, 1026, 1027, 1028, 1036, 1044,
                                  1045, 1047, 1051, 1055, 1056, 1062, 1063, 1064, 1065, 1066,
                                  1067, 1149, 2001, 2003, 2005, 2006, 2007, 2009, 2011, 2012,
                                  3001, 3002, 3005, 3006, 3007, 3010, 3011, 3015, 3016, 4001,
                                  4002, 4005, 4007, 4010, 4013, 4014, 4015, 4016};
  EXPECT_EQ(done, expected);
}

TEST(Undo, TheSwitchToEuroIsTakenBackWhole) {
  auto wall = test::FixedWall();
  RegisterModel reg = test::NewModel(&wall, CurrencyUnit::Lire);
  const std::set<int> done = WalkWithUndo(
      reg, {Sale("PANE", 1500, 1), Cash(0), Op(3018), Op(3001), Op(3018), Sale("PANE", 150, 1)});
  EXPECT_EQ(done, (std::set<int>{1003, 1036, 3001, 3018}));
}

TEST(Undo, AReceiptAtItsLimitRefusesOneEntryMore) {
  auto wall = test::FixedWall();
  RegisterModel reg = test::NewModel(&wall);
  for (int i = 0; i < 10'000; ++i) ASSERT_EQ(reg.Execute(Sale("PANE", 1, 1)).error, 0) << i;
  const RegisterState full = reg.State();
  EXPECT_EQ(reg.Execute(Sale("PANE", 1, 1)).error, 18);
  EXPECT_EQ(reg.Execute(Cmd(1066).D(1, 2).T("NOTA", 20).str()).error, 18);
  EXPECT_EQ(reg.State(), full);
  EXPECT_EQ(reg.Execute(Cash(0)).payload.substr(0, 4), "1172");
}

}  // namespace
}  // namespace tavirel::sim
