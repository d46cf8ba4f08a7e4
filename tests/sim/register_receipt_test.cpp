// The register's receipt rules on the model: sale lines, payments with their
// reply codes and layouts, adjustments, corrections, voids and refusals.
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

class ReceiptTest : public ::testing::Test {
 protected:
  std::chrono::system_clock::time_point wall = test::FixedWall();
  RegisterModel reg = test::NewModel(&wall);

  std::string Run(const std::string& command) { return reg.Execute(command).payload; }
  int Error(const std::string& command) { return ErrorOf(Run(command)); }
};

TEST_F(ReceiptTest, SaleLineAnswersItsSeventyFourCharacterLayout) {
  const std::string reply = Run(Line(1004, 1, "PANE", 3000, 150, 2));
  ASSERT_EQ(reply.size(), 74u);
  EXPECT_EQ(reply.substr(0, 4), "1004");
  EXPECT_EQ(reply.substr(4, 2), "01");
  EXPECT_EQ(reply.substr(6, 40), test::kNoCode);
  EXPECT_EQ(reply.substr(46, 7), "0003000");
  EXPECT_EQ(reply.substr(53, 1), "1");
  EXPECT_EQ(reply.substr(54, 9), "000000150");
  EXPECT_EQ(reply.substr(63, 9), "000000450");
  EXPECT_EQ(reply.substr(72, 2), "02");
}

TEST_F(ReceiptTest, DecimalQuantityRoundsTheLineAmountHalfUp) {
  const std::string reply = Run(Line(1005, 1, "MELE", 1255, 199, 1));  // 1.255 x 1.99 = 2.49745
  EXPECT_EQ(reply.substr(63, 9), "000000250");
}

TEST_F(ReceiptTest, OmittedPriceTakesTheDepartmentsPriceOfThePriceType) {
  ASSERT_EQ(Run(Cmd(4002)
                    .D(5, 2)
                    .T("BEVANDE", 20)
                    .D(100, 9)
                    .D(200, 9)
                    .D(0, 9)
                    .D(0, 1)
                    .D(1, 2)
                    .D(0, 9)
                    .D(0, 2)
                    .D(0, 2)
                    .Raw("PZ")),
            "400205");
  EXPECT_EQ(Run(Line(1003, 1, "ACQUA", 1000, 0, 5, 2)).substr(54, 18), "000000200000000200");
  EXPECT_EQ(Error(Line(1003, 1, "ACQUA", 1000, 0, 5, 3)), perr::kNonProgrammato);
}

TEST_F(ReceiptTest, RefusesLinesTheRegisterCannotTake) {
  struct Row {
    std::string command;
    int error;
  };
  const Row rows[] = {
      {Line(1003, 1, "X", 1000, 100, 5), perr::kNonProgrammato},  // department not programmed
      {Line(1003, 1, "X", 1000, 100, 41), perr::kValoreErrato},   // beyond the table
      {Line(1003, 1, "X", 1000, 100, 0), perr::kValoreErrato},
      {Line(1003, 1, "X", 2000, 100, 1), perr::kValoreErrato},  // plain form is quantity one
      {Line(1004, 1, "X", 1500, 100, 1), perr::kValoreErrato},  // whole form without decimals
      {Line(1005, 1, "X", 0, 100, 1), perr::kValoreErrato},
      {Line(1003, 1, "X", 1000, 100, 1, 4), perr::kValoreErrato},  // price type 1..3
      {Line(1003, 13, "X", 1000, 100, 1), perr::kMancaOperatore},
      {Line(1015, 1, "X", 1000, 100, 1), perr::kDatiInesistenti},  // nothing to void
      {Line(1009, 1, "X", 1000, 100, 1), perr::kSuperaValore},     // receipt below zero
      {Line(1004, 1, "X", 9999000, 999999999, 1), perr::kSuperaLimite},
  };
  for (const auto& row : rows) EXPECT_EQ(Error(row.command), row.error) << row.command;
  EXPECT_EQ(reg.State().phase, Phase::Idle);
}

TEST_F(ReceiptTest, DepartmentLimitRefusesALargerLine) {
  Run(Cmd(4002)
          .D(6, 2)
          .T("VINI", 20)
          .D(0, 9)
          .D(0, 9)
          .D(0, 9)
          .D(0, 1)
          .D(1, 2)
          .D(5000, 9)
          .D(0, 2)
          .D(0, 2)
          .Raw("00"));
  EXPECT_EQ(Error(Line(1003, 1, "X", 1000, 5001, 6)), perr::kSuperaLimite);
  EXPECT_EQ(Run(Line(1003, 1, "X", 1000, 5000, 6)).size(), 74u);
}

TEST_F(ReceiptTest, CashWithRemainderThenWithChange) {
  Run(Sale("PANE", 1000, 1));
  Run(Sale("LATTE", 250, 2));
  const std::string part = Run(Cash(500));
  EXPECT_EQ(part, "117101000000500000000750");
  EXPECT_EQ(Run(Op(1051)), "118101000000750");
  const std::string close = Run(Cash(1000));
  ASSERT_EQ(close.size(), 38u);
  EXPECT_EQ(close.substr(0, 24), "117201000001000000000250");
  EXPECT_EQ(close.substr(24, 10), "0712261030");
  EXPECT_EQ(close.substr(34, 4), "0001");
  EXPECT_EQ(reg.State().phase, Phase::Idle);
}

TEST_F(ReceiptTest, CashWithoutAmountPaysExactlyAndNumbersCountUp) {
  Run(Sale("PANE", 1000, 1));
  EXPECT_EQ(Run(Cash(0)).substr(0, 24), "117201000001000000000000");
  Run(Sale("PANE", 1000, 1));
  EXPECT_EQ(Run(Cash(0)).substr(34, 4), "0002");
}

TEST_F(ReceiptTest, ChequeAnswersItsOwnCodes) {
  Run(Sale("PANE", 1000, 1));
  EXPECT_EQ(Run(Cmd(1044).D(1, 2).D(400, 9)), "117501000000400000000600");
  EXPECT_EQ(Run(Cmd(1044).D(1, 2).D(600, 9)).substr(0, 24), "117601000000600000000000");
}

TEST_F(ReceiptTest, TicketEchoesItsTypeAndTakesItsProgrammedValue) {
  Run(Cmd(4010).D(2, 2).T("PASTO", 20).D(520, 9));
  Run(Sale("PRANZO", 1200, 1));
  EXPECT_EQ(Run(Cmd(1046).D(1, 2).D(2, 2).D(0, 9)), "11790102000000520000000680");
  const std::string close = Run(Cmd(1046).D(1, 2).D(2, 2).D(1000, 9));
  ASSERT_EQ(close.size(), 40u);
  EXPECT_EQ(close.substr(0, 26), "11800102000001000000000320");
  EXPECT_EQ(Error(Cmd(1046).D(1, 2).D(3, 2).D(100, 9)), perr::kSequenzaErrata);
}

TEST_F(ReceiptTest, TicketOfAnUnprogrammedTypeIsRefused) {
  Run(Sale("PRANZO", 1200, 1));
  EXPECT_EQ(Error(Cmd(1046).D(1, 2).D(3, 2).D(100, 9)), perr::kNonProgrammato);
  EXPECT_EQ(Error(Cmd(1046).D(1, 2).D(11, 2).D(100, 9)), perr::kValoreErrato);
  EXPECT_EQ(Error(Cmd(1046).D(1, 2).D(1, 2).D(0, 9)), perr::kValoreErrato);  // no value anywhere
}

TEST_F(ReceiptTest, CreditCardPaysTheRemainderAndCloses) {
  Run(Sale("PANE", 1000, 1));
  Run(Cash(300));
  const std::string reply = Run(Cmd(1045).D(1, 2).D(2, 2));
  ASSERT_EQ(reply.size(), 31u);
  EXPECT_EQ(reply.substr(0, 17), "10450102000000700");
  EXPECT_EQ(reply.substr(17, 10), "0712261030");
  EXPECT_EQ(reply.substr(27, 4), "0001");
  EXPECT_EQ(reg.State().day.totals.payments[static_cast<int>(PayKind::Card)], 700);
  EXPECT_EQ(Error(Cmd(1045).D(1, 2).D(2, 2)), perr::kSequenzaErrata);
}

TEST_F(ReceiptTest, SubtotalSeparatesFiscalAndNonFiscalAmounts) {
  Run(Cmd(4002)
          .D(7, 2)
          .T("CAUZIONE", 20)
          .D(0, 9)
          .D(0, 9)
          .D(0, 9)
          .D(1, 1)
          .D(0, 2)
          .D(0, 9)
          .D(0, 2)
          .D(0, 2)
          .Raw("00"));
  Run(Sale("BIRRA", 300, 1));
  Run(Sale("VUOTO", 10, 7));
  EXPECT_EQ(Run(Op(1051)), "105101000000300000000010");
}

TEST_F(ReceiptTest, DiscountsAndSurchargesOnTheSubtotal) {
  Run(Sale("PANE", 1000, 1));
  EXPECT_EQ(Run(Cmd(1024).D(1, 2).D(100, 9)), "102401000000900000000100");
  EXPECT_EQ(Run(Cmd(1026).D(1, 2).D(1000, 4)), "1026010000008101000000000090");
  EXPECT_EQ(Run(Cmd(1025).D(1, 2).D(550, 4)), "1025010000008550550000000045");
  EXPECT_EQ(Error(Cmd(1024).D(1, 2).D(100000, 9)), perr::kSuperaValore);
  EXPECT_EQ(Error(Cmd(1025).D(1, 2).D(0, 4)), perr::kValoreErrato);
  EXPECT_EQ(Run(Cash(0)).substr(6, 9), "000000855");
}

TEST_F(ReceiptTest, LineVoidMatchesAnEarlierSale) {
  Run(Line(1004, 1, "PANE", 3000, 100, 1));
  EXPECT_EQ(Error(Line(1016, 1, "PANE", 4000, 100, 1)), perr::kDatiInesistenti);
  EXPECT_EQ(Error(Line(1015, 1, "PANE", 1000, 120, 1)), perr::kDatiInesistenti);
  EXPECT_EQ(Run(Line(1016, 1, "PANE", 2000, 100, 1)).substr(63, 9), "000000200");
  EXPECT_EQ(Run(Op(1051)).substr(6, 9), "000000100");
}

TEST_F(ReceiptTest, ReturnReducesTheReceipt) {
  Run(Sale("PANE", 1000, 1));
  Run(Line(1009, 1, "RESO", 1000, 300, 1));
  EXPECT_EQ(Run(Op(1051)).substr(6, 9), "000000700");
}

TEST_F(ReceiptTest, CorrectionTakesBackTheLastEntryOnce) {
  Run(Sale("PANE", 1000, 1));
  Run(Sale("LATTE", 250, 2));
  EXPECT_EQ(Run(Op(1027)), "102701");
  EXPECT_EQ(Run(Op(1051)).substr(6, 9), "000001000");
  EXPECT_EQ(Error(Op(1027)), perr::kSequenzaErrata);
  EXPECT_EQ(Error(Op(1028, 1).substr(0, 4) + "01" + "x"), perr::kValoreErrato);
}

TEST_F(ReceiptTest, VoidOfTheWholeReceiptAnswersItsTotalsAndUsesANumber) {
  Run(Sale("PANE", 1000, 1));
  const std::string reply = Run(Op(1028));
  ASSERT_EQ(reply.size(), 38u);
  EXPECT_EQ(reply.substr(0, 24), "102801000001000000000000");
  EXPECT_EQ(reply.substr(34, 4), "0001");
  EXPECT_EQ(reg.State().day.totals.voided_receipts, 1);
  EXPECT_EQ(reg.State().day.totals.sales, 0);
  Run(Sale("PANE", 1000, 1));
  EXPECT_EQ(Run(Cash(0)).substr(34, 4), "0002");
}

TEST_F(ReceiptTest, SequenceRefusals) {
  EXPECT_EQ(Error(Cash(100)), perr::kSequenzaErrata);
  EXPECT_EQ(Error(Op(1051)), perr::kSequenzaErrata);
  EXPECT_EQ(Error(Op(1027)), perr::kSequenzaErrata);
  EXPECT_EQ(Error(Cmd(1064).D(1, 2).D(1, 1).T("X", 40)), perr::kSequenzaErrata);
  Run(Sale("PANE", 1000, 1));
  EXPECT_EQ(Error(Op(2001)), perr::kChiudiScontrino);
  EXPECT_EQ(Error(Op(1063)), perr::kChiudiScontrino);
  EXPECT_EQ(Error(Cmd(4001).D(1, 2).D(1, 2).D(27, 2).D(0, 2).D(0, 2)), perr::kChiudiScontrino);
  Run(Cash(100));
  EXPECT_EQ(Error(Sale("PANE", 1000, 1)), perr::kChiudiPagamento);
  EXPECT_EQ(Error(Op(1028)), perr::kChiudiPagamento);
  EXPECT_EQ(Error(Op(3001)), perr::kChiudiPagamento);
  Run(Cash(0));
  Run(Op(1063));
  EXPECT_EQ(Error(Sale("PANE", 1000, 1)), perr::kSequenzaErrata);
}

TEST_F(ReceiptTest, ARefusedCommandChangesNothing) {
  Run(Sale("PANE", 1000, 1));
  Run(Cash(200));
  const RegisterState before = reg.State();
  const auto memory = reg.FiscalMemory().size();
  for (const std::string& cmd :
       {Sale("PANE", 1000, 1), std::string(Op(1028)), std::string(Op(3001)),
        std::string(Cmd(1046).D(1, 2).D(9, 2).D(100, 9)), std::string(Op(1027)),
        std::string(Cmd(1045).D(1, 2).D(9, 2)), std::string("9999"), std::string(Op(2001))}) {
    const Outcome outcome = reg.Execute(cmd);
    EXPECT_NE(outcome.error, 0) << cmd;
    EXPECT_FALSE(outcome.changed) << cmd;
    EXPECT_TRUE(outcome.printed.empty()) << cmd;
    EXPECT_EQ(reg.State(), before) << cmd;
  }
  EXPECT_EQ(reg.FiscalMemory().size(), memory);
}

}  // namespace
}  // namespace tavirel::sim
