// The state on disk as a snapshot and a change log: after every command of a
// walk through all command codes, what a start would read equals what the
// register holds; a record costs what its command changed, not the receipt's
// length; a closure folds the log into the snapshot; a cut, a damaged or a
// missing record is met as a register must meet it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "command_walk.hpp"
#include "sim_support.hpp"
#include "tavirel/sim/errors.hpp"
#include "tavirel/sim/simulated_register.hpp"
#include "temp_dir.hpp"

namespace tavirel::sim {
namespace {

using test::Cash;
using test::Op;
using test::Sale;

class StateLog : public ::testing::Test {
 protected:
  StateLog() {
    options.state_path = dir / "state.json";
    options.wall = test::FixedWall;
  }
  std::uintmax_t LogSize() const { return std::filesystem::file_size(options.state_path + ".log"); }
  std::string ReadLog() const {
    std::ifstream in(options.state_path + ".log", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void WriteLog(const std::string& text) const {
    std::ofstream(options.state_path + ".log", std::ios::binary | std::ios::trunc) << text;
  }

  test::TempDir dir;
  SimOptions options;
};

TEST_F(StateLog, AStartReadsBackExactlyWhatTheRegisterHoldsAfterEveryCommand) {
  SimulatedRegister reg(options);
  for (const std::string& command : test::EveryCommand()) {
    SCOPED_TRACE(command);
    reg.Execute(command);
    const SavedRegister read = StateFile(options.state_path).Load();
    ASSERT_EQ(read.state, reg.State());
    ASSERT_EQ(read.memory, reg.FiscalMemory());
  }
}

TEST_F(StateLog, ARecordCostsWhatItsCommandChangedNotWhatTheReceiptHolds) {
  // The same sale line, once as a receipt's second line and once as its 3001st.
  const auto growth_at_line = [&](int lines_before) {
    test::TempDir other;
    SimOptions o = options;
    o.state_path = other / "state.json";
    auto wall = test::FixedWall();
    RegisterModel model = test::NewModel(&wall);
    for (int i = 0; i < lines_before; ++i) model.Execute(Sale("PANE", 100, 1));
    StateFile(o.state_path).Save(model.State(), model.FiscalMemory());
    SimulatedRegister reg(o);
    EXPECT_EQ(reg.State().receipt.entries.size(), static_cast<std::size_t>(lines_before));
    const auto before = std::filesystem::file_size(o.state_path + ".log");
    EXPECT_EQ(reg.Execute(Sale("PANE", 100, 1)).substr(0, 4), "1003");
    return std::filesystem::file_size(o.state_path + ".log") - before;
  };
  const auto short_receipt = growth_at_line(1);
  const auto long_receipt = growth_at_line(3000);
  EXPECT_LT(short_receipt, 2000u);
  EXPECT_LE(long_receipt, short_receipt + 8) << "the record grew with the receipt";
}

TEST_F(StateLog, AClosureFoldsTheLogIntoTheSnapshot) {
  SimulatedRegister reg(options);
  reg.Execute(Sale("PANE", 100, 1));
  reg.Execute(Cash(0));
  EXPECT_GT(LogSize(), 0u);
  reg.Execute(Op(3001));
  EXPECT_EQ(LogSize(), 0u);
  EXPECT_EQ(StateFile(options.state_path).Load().state, reg.State());
}

TEST_F(StateLog, ALastRecordCutShortIsLeftOutAndCutBeforeTheNextOne) {
  {
    SimulatedRegister reg(options);
    reg.Execute(Sale("PANE", 100, 1));
  }
  const std::string whole = ReadLog();
  WriteLog(whole + whole.substr(0, whole.size() / 2));  // a kill in the middle of a write
  SimulatedRegister reg(options);
  EXPECT_EQ(reg.State().receipt.entries.size(), 1u);
  reg.Execute(Sale("LATTE", 200, 2));
  EXPECT_EQ(StateFile(options.state_path).Load().state, reg.State());
}

TEST_F(StateLog, RecordsAlreadyInTheSnapshotArePassedOver) {
  SimulatedRegister reg(options);
  reg.Execute(Sale("PANE", 100, 1));
  reg.Execute(Cash(0));
  const std::string before_closure = ReadLog();
  reg.Execute(Op(3001));     // a new snapshot; the log is emptied
  WriteLog(before_closure);  // as if emptying it had not reached the disk
  const SavedRegister read = StateFile(options.state_path).Load();
  EXPECT_EQ(read.state, reg.State());
  EXPECT_EQ(read.state.day.totals.receipts, 0);
}

TEST_F(StateLog, ADamagedOrMissingRecordIsAnErrorNamingTheLog) {
  {
    SimulatedRegister reg(options);
    for (int i = 0; i < 3; ++i) reg.Execute(Sale("PANE", 100 + i, 1));
  }
  const std::string log = ReadLog();
  const auto second = log.find('\n') + 1;
  const auto third = log.find('\n', second) + 1;
  const std::string cases[] = {
      log.substr(0, second) + log.substr(third),  // the second one missing
      log.substr(0, second) + "{\"n\": 2, \"head\": 7}\n" + log.substr(third),  // damaged
      log.substr(0, second) + "not json\n" + log.substr(third),
  };
  for (const std::string& text : cases) {
    WriteLog(text);
    try {
      SimulatedRegister reg(options);
      ADD_FAILURE() << "started over a damaged log";
    } catch (const StateFileError& e) {
      EXPECT_NE(std::string(e.what()).find(options.state_path + ".log"), std::string::npos)
          << e.what();
    }
  }
}

}  // namespace
}  // namespace tavirel::sim
