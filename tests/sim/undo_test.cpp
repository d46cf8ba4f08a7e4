// Commands run on the register's own state with an undo record: a walk
// through every command code (and refusals on the way) where each command
// that changed something is taken back, must leave the state exactly as it
// was, and then runs again to the same result. A part of the state a command
// changes without its undo record knowing shows here.
#include <gtest/gtest.h>

#include <set>

#include "sim_support.hpp"

namespace tavirel::sim {
namespace {

using test::Cash;
using test::Cmd;
using test::Line;
using test::Op;
using test::Sale;

std::vector<std::string> EveryCommand() {
  return {
      "420203",
      Cmd(3217).D(1, 2),
      Cmd(4002)
          .D(9, 2)
          .T("SALUMERIA", 20)
          .D(120, 9)
          .D(110, 9)
          .D(100, 9)
          .D(0, 1)
          .D(2, 2)
          .D(99999, 9)
          .D(3, 2)
          .D(4, 2)
          .Raw("KG"),
      Cmd(4005).D(5, 2).D(850, 4),
      Cmd(4007).D(4, 2).T("AMEX", 20),
      Cmd(4010).D(3, 2).T("BUONO SPESA", 20).D(516, 9),
      Cmd(4013).D(7, 2).T("MARIA", 20).D(42, 4).D(1250, 4),
      Cmd(4014).D(3, 2).D(1, 1),
      Cmd(4015).D(2, 2).D(45, 3),
      Cmd(4016).D(4, 1).D(2, 1),
      Cmd(3016).D(5, 2).T("BUON APPETITO", 27),
      Cmd(4001).D(7, 2).D(12, 2).D(26, 2).D(10, 2).D(30, 2),
      Cmd(1062).D(1, 2).D(1, 1).T("BENVENUTI", 40).Raw("12"),
      Cmd(1067).D(1, 2).D(2, 1).T("GRAZIE", 40),
      Op(1055),
      Op(1056),
      Op(1050),
      Op(1047),  // nothing to reprint yet: refused
      Sale("PANE", 150, 1),
      Sale("LATTE", 250, 2),
      Line(1009, 1, "RESO", 1000, 100, 1),
      Line(1015, 1, "PANE", 1000, 150, 1),
      Line(1015, 1, "PANE", 1000, 150, 1),  // nothing left to void: refused
      Cmd(1066).D(1, 2).T("NOTA", 20),
      Cmd(1024).D(1, 2).D(10, 9),
      Cmd(1025).D(1, 2).D(550, 4),
      Cmd(1026).D(1, 2).D(1000, 4),
      Op(1027),
      Op(1027),  // a second correction in a row: refused
      Op(3001),  // a receipt is open: refused
      Op(1051),
      Cmd(1044).D(1, 2).D(100, 9),
      Op(1051),
      Sale("PANE", 150, 1),  // in the payment phase: refused
      Cash(0),
      Sale("PANE", 150, 1),
      Cmd(1046).D(1, 2).D(1, 2).D(0, 9),  // a ticket of no value: refused
      Cmd(1045).D(1, 2).D(1, 2),
      Sale("PANE", 150, 1),
      Op(1028),
      Op(1047),
      Op(1063),
      Cmd(1064).D(1, 2).D(2, 1).T("RIGA", 40),
      Op(1065),
      Op(2001),
      Cmd(2003).D(1, 2).D(1, 2),
      Op(2005),
      Cmd(2006).D(1, 2).D(1, 2),
      Op(2007),
      Cmd(2009).D(1, 2).D(1, 2),
      Op(2011),
      Cmd(2012).D(1, 2).D(1, 2),
      Op(3002),
      Op(3005),
      Cmd(3006).D(1, 2).D(1, 2),
      Op(3007),
      Op(3010),
      Cmd(3011).D(1, 2).D(1, 2),
      Op(3001),
      Op(3015),
      Op(1149),
      "9999",
  };
}

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
  const std::set<int> done = WalkWithUndo(reg, EveryCommand());
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
