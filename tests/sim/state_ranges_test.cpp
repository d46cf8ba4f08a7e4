// A state file's values are checked on load, so a crafted file cannot make
// the register's arithmetic overflow; the largest values the register keeps
// wrap as its counters do; a FIFO or a device is refused as a state file
// without waiting on it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <functional>

#include "sim_support.hpp"
#include "tavirel/sim/errors.hpp"
#include "tavirel/sim/simulated_register.hpp"
#include "temp_dir.hpp"

namespace tavirel::sim {
namespace {

using test::Cash;
using test::Op;
using test::Sale;

constexpr Amount kMaxTotal = 999'999'999'999'999;

TEST(StateRanges, CraftedValuesAreRefusedNamingTheField) {
  struct Case {
    const char* field;  // in the message
    std::function<void(RegisterState&, std::vector<FiscalRecord>&)> craft;
  };
  const Case cases[] = {
      {"receipts of the fiscal day", [](auto& s, auto&) { s.day.totals.receipts = INT_MAX; }},
      {"grand total", [](auto& s, auto&) { s.grand_total = LLONG_MAX; }},
      {"daily totals", [](auto& s, auto&) { s.daily.financial.sales = LLONG_MIN; }},
      {"document number", [](auto& s, auto&) { s.receipt_number = 10000; }},
      {"clock", [](auto& s, auto&) { s.clock_offset = LLONG_MAX; }},
      {"VAT number", [](auto& s, auto&) { s.tables.departments[1].vat = 99; }},
      {"cursor", [](auto& s, auto&) { s.displays[0].cursor = 1000; }},
      {"header line", [](auto& s, auto&) { s.tables.header[1].text.assign(100'000, 'X'); }},
      {"no receipt open", [](auto& s, auto&) { s.receipt.entries.push_back(ReceiptEntry{}); }},
      {"quantity",
       [](auto& s, auto&) {
         s.phase = Phase::Sale;
         s.receipt.entries.push_back(ReceiptEntry{});
         s.receipt.entries.back().quantity = -5;
       }},
      {"fiscal record's number", [](auto&, auto& m) { m.push_back(FiscalRecord{}); }},
      {"fiscal memory's records",
       [](auto&, auto& m) {
         FiscalRecord r;
         r.number = 1;
         m.assign(kFiscalMemoryCapacity + 1, r);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    test::TempDir dir;
    RegisterState state;
    std::vector<FiscalRecord> memory;
    c.craft(state, memory);
    StateFile(dir / "state.json").Save(state, memory);
    SimOptions options;
    options.state_path = dir / "state.json";
    try {
      SimulatedRegister reg(options);
      ADD_FAILURE() << "loaded";
    } catch (const StateFileError& e) {
      EXPECT_NE(std::string(e.what()).find(c.field), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(options.state_path), std::string::npos) << e.what();
    }
  }
}

TEST(StateRanges, TheLargestKeptValuesWrapAsARegistersCountersDo) {
  test::TempDir dir;
  RegisterState s;
  s.clock_offset = 0;
  s.grand_total = kMaxTotal;
  s.day.totals.receipts = 99'999'999;
  s.daily.financial.receipts = 99'999'999;
  s.daily.financial.sales = kMaxTotal;
  s.periodic.by_department[1].quantity = kMaxTotal;
  s.day.by_vat[1] = kMaxTotal - 100;
  s.tables.vat_rates[3].hundredths = 9999;  // a rate far beyond any real one
  s.day.by_vat[3] = kMaxTotal;
  StateFile(dir / "state.json").Save(s, {});
  SimOptions options;
  options.state_path = dir / "state.json";
  options.wall = test::FixedWall;
  SimulatedRegister reg(options);
  reg.Execute(Sale("PANE", 250, 1));
  EXPECT_EQ(reg.Execute(Cash(0)).substr(0, 4), "1172");
  const RegisterState after = reg.State();
  EXPECT_EQ(after.day.totals.receipts, 0);
  EXPECT_EQ(after.daily.financial.receipts, 0);
  EXPECT_EQ(after.daily.financial.sales, 249);
  EXPECT_EQ(after.periodic.by_department[1].quantity, 999);
  EXPECT_EQ(after.day.by_vat[1], 149);
  EXPECT_EQ(reg.Execute(Op(3001)).substr(0, 4), "3001");
  const FiscalRecord record = reg.FiscalMemory().back();
  __extension__ using Wide = __int128;
  const Amount tax = static_cast<Amount>((static_cast<Wide>(kMaxTotal) * 9999 + 19999 / 2) / 19999);
  ASSERT_EQ(record.vat.size(), 4u);  // the four programmed rates, the third crafted
  EXPECT_EQ(record.vat[2].number, 3);
  EXPECT_EQ(record.vat[2].tax, tax);
  EXPECT_EQ(record.total, kMaxTotal + 149 - 1'000'000'000'000'000);  // wrapped
  EXPECT_EQ(record.grand_total, kMaxTotal + record.total - 1'000'000'000'000'000);
  EXPECT_EQ(StateFile(options.state_path).Load().state, reg.State());  // and it loads again
}

TEST(StateRanges, AFifoOrADeviceIsRefusedAsAStateFile) {
  test::TempDir dir;
  const std::string fifo = dir / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {fifo, std::string("/dev/zero")}) {
    SimOptions options;
    options.state_path = path;
    try {
      SimulatedRegister reg(options);
      ADD_FAILURE() << "took " << path;
    } catch (const StateFileError& e) {
      EXPECT_NE(std::string(e.what()).find("not a regular file"), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace tavirel::sim
