// Reports, the fiscal closure with its fiscal memory record, and the switch
// from lire to euro.
#include <gtest/gtest.h>

#include "sim_support.hpp"
#include "tavirel/sim/printer_errors.hpp"

namespace tavirel::sim {
namespace {

using test::Cash;
using test::Cmd;
using test::ErrorOf;
using test::Line;
using test::Op;
using test::Sale;

class DayTest : public ::testing::Test {
 protected:
  std::chrono::system_clock::time_point wall = test::FixedWall();
  RegisterModel reg = test::NewModel(&wall);
  std::string Run(const std::string& command) { return reg.Execute(command).payload; }

  void SellDay() {
    Run(Sale("PANE", 1100, 1));   // 22%
    Run(Sale("LIBRO", 1000, 2));  // 10%
    Run(Cash(5000));
    Run(Sale("PANE", 500, 1));
    Run(Cmd(1044).D(1, 2).D(500, 9));
    Run(Sale("ERRORE", 700, 3));
    Run(Op(1028));
  }
};

TEST_F(DayTest, ClosureWritesTheDayIntoTheFiscalMemoryAndStartsANewDay) {
  SellDay();
  const std::string reply = Run(Op(3001));
  EXPECT_EQ(reply,
            "300101"
            "0712261030"
            "0001");
  ASSERT_EQ(reg.FiscalMemory().size(), 1u);
  const FiscalRecord& r = reg.FiscalMemory()[0];
  EXPECT_EQ(r.number, 1);
  EXPECT_EQ(r.total, 2600);
  ASSERT_GE(r.vat.size(), 2u);
  EXPECT_EQ(r.vat[0].number, 1);
  EXPECT_EQ(r.vat[0].gross, 1600);
  EXPECT_EQ(r.vat[0].tax, 289);  // 1600 * 22 / 122
  EXPECT_EQ(r.vat[1].gross, 1000);
  EXPECT_EQ(r.vat[1].tax, 91);
  EXPECT_EQ(r.receipts, 2);
  EXPECT_EQ(r.voided_receipts, 1);
  EXPECT_EQ(r.voided, 700);
  EXPECT_EQ(r.first_receipt, 1);
  EXPECT_EQ(r.last_receipt, 3);
  EXPECT_EQ(r.payments[static_cast<int>(PayKind::Cash)], 2100);
  EXPECT_EQ(r.payments[static_cast<int>(PayKind::Cheque)], 500);
  EXPECT_EQ(r.grand_total, 2600);
  EXPECT_FALSE(reg.State().day.HasActivity());
  Run(Sale("PANE", 100, 1));
  EXPECT_EQ(Run(Cash(0)).substr(34, 4), "0001");  // receipt numbers start again
  EXPECT_EQ(Run(Op(3001)).substr(16, 4), "0002");
  EXPECT_EQ(reg.FiscalMemory()[1].grand_total, 2700);
}

TEST_F(DayTest, FiscalMemoryReportAnswersTheLastClosureNumber) {
  EXPECT_EQ(Run(Op(3015)),
            "301501"
            "0712261030"
            "0000");
  Run(Op(3001));
  Run(Op(3001));
  EXPECT_EQ(Run(Op(3015)).substr(16, 4), "0002");
}

TEST_F(DayTest, ReportsTakeNonFiscalNumbersAndZResetsItsTotals) {
  SellDay();
  EXPECT_EQ(Run(Op(2001)),
            "200101"
            "0712261030"
            "0001");
  EXPECT_EQ(Run(Cmd(2003).D(1, 2).D(1, 2)).substr(16, 4), "0002");
  EXPECT_EQ(Run(Cmd(2006).D(1, 2).D(1, 2)).substr(16, 4), "0003");
  EXPECT_EQ(ErrorOf(Run(Cmd(2003).D(1, 2).D(41, 2))), perr::kValoreErrato);
  EXPECT_EQ(reg.State().daily.financial.sales, 2600);
  EXPECT_EQ(reg.State().daily.by_department[1].amount, 1600);
  EXPECT_EQ(reg.State().daily.by_operator[1].count, 2);
  EXPECT_EQ(reg.State().daily.by_hour[10].count, 2);
  const std::string z = Run(Op(3002));
  EXPECT_EQ(z,
            "300201"
            "0712261030"
            "0004"
            "0003");
  EXPECT_EQ(reg.State().daily.financial.sales, 0);
  EXPECT_EQ(reg.State().periodic.financial.sales, 2600);
  EXPECT_EQ(reg.State().day.totals.sales, 2600);  // the fiscal day is untouched
  Run(Cmd(3011).D(1, 2).D(1, 2));
  EXPECT_EQ(reg.State().periodic.by_operator[1].count, 0);
  Run(Op(3010));
  EXPECT_EQ(reg.State().periodic.by_hour[10].count, 0);
}

TEST_F(DayTest, EveryReportCodeAnswersTheDocumentLayout) {
  for (int code : {2001, 2005, 2007, 2011, 3005, 3007, 3010})
    EXPECT_EQ(Run(Op(code)).size(), 20u) << code;
  for (int code : {2003, 2006, 2009, 2012, 3006, 3011})
    EXPECT_EQ(Run(Cmd(code).D(1, 2).D(0, 2)).size(), 20u) << code;
  EXPECT_EQ(Run(Op(3002)).size(), 24u);
  for (int code : {2002, 2004, 3003, 3012})
    EXPECT_EQ(ErrorOf(Run(Op(code))), perr::kNonPrevisto) << code;
}

TEST(Lire, RegisterSwitchesToEuroOnlyAfterAClosureWithNothingOpen) {
  auto wall = test::FixedWall();
  RegisterModel reg = test::NewModel(&wall, CurrencyUnit::Lire);
  auto run = [&](const std::string& c) { return reg.Execute(c).payload; };
  run(Cmd(4002)
          .D(5, 2)
          .T("CAFFE", 20)
          .D(1936, 9)
          .D(0, 9)
          .D(0, 9)
          .D(0, 1)
          .D(1, 2)
          .D(0, 9)
          .D(0, 2)
          .D(0, 2)
          .Raw("00"));
  run(Line(1003, 1, "CAFFE", 1000, 0, 5));
  EXPECT_EQ(ErrorOf(run(Op(3018))), perr::kChiudiScontrino);
  EXPECT_EQ(run(Cash(2000)).substr(0, 24), "117201000002000000000064");
  EXPECT_EQ(ErrorOf(run(Op(3018))), perr::kImpossibileOra);
  run(Op(3001));
  EXPECT_EQ(run(Op(3018)), "301801");
  EXPECT_EQ(reg.State().currency, CurrencyUnit::Euro);
  EXPECT_EQ(reg.State().tables.departments[5].prices[0], 100);  // 1936 lire is 1.00 euro
  EXPECT_EQ(ErrorOf(run(Op(3018))), perr::kNonPossibile);
  EXPECT_EQ(reg.FiscalMemory()[0].currency, CurrencyUnit::Lire);
}

}  // namespace
}  // namespace tavirel::sim
