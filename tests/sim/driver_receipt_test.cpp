// The register's rules run through the real driver: TavirelControl on the
// in-memory pair, in virtual time.
#include <gtest/gtest.h>

#include "driver_rig.hpp"
#include "tavirel/sim/printer_errors.hpp"

namespace tavirel::sim {
namespace {

using test::DriverRig;
using test::Euro;
using test::Units;

TEST(DriverReceipt, CashWithRemainderThenChange) {
  DriverRig rig;
  auto& c = *rig.ctl;
  ASSERT_EQ(c.opReparto(1, "PANE", Euro("1.50"), 2), OP_OK);
  EXPECT_EQ(c.LastOPCode(), 1003);
  EXPECT_EQ(c.LastImp(), Units(150));
  EXPECT_EQ(c.LastRep(), 2);
  EXPECT_FLOAT_EQ(c.LastQta(), 1.0f);
  ASSERT_EQ(c.opRepartoQInt(1, "LATTE", 2, Euro("1.25"), 1), OP_OK);
  EXPECT_EQ(c.LastImp(), Units(250));
  ASSERT_EQ(c.opSubTot(1), OP_OK);
  EXPECT_EQ(c.LastOPCode(), OP_CODE_SUBT);
  EXPECT_EQ(c.LastSubTotFisc(), Units(400));
  ASSERT_EQ(c.opContante(1, Euro("3.00")), OP_OK);
  EXPECT_EQ(c.LastOPCode(), OP_CODE_CONT_RIM);
  EXPECT_EQ(c.LastRim(), Units(100));
  ASSERT_EQ(c.opSubTot(1), OP_OK);
  EXPECT_EQ(c.LastOPCode(), OP_CODE_SUBT_RIM);
  EXPECT_EQ(c.LastRim(), Units(100));
  ASSERT_EQ(c.opContante(1, Euro("5.00")), OP_OK);
  EXPECT_EQ(c.LastOPCode(), OP_CODE_CONT_REST);
  EXPECT_EQ(c.LastImp(), Units(500));
  EXPECT_EQ(c.LastRest(), Units(400));
  EXPECT_EQ(c.LastNumSF(), 1);
  EXPECT_EQ(c.LastGG(), 7);
  EXPECT_EQ(c.LastMM(), 12);
  EXPECT_EQ(c.LastAA(), 26);
  EXPECT_EQ(c.LastHH(), 10);
  EXPECT_TRUE(rig.events.empty());
  EXPECT_EQ(rig.reg->State().day.totals.sales, 400);
}

TEST(DriverReceipt, EachPaymentKindClosesAReceipt) {
  struct Row {
    const char* name;
    std::function<std::int16_t(TavirelControl&)> pay;
    std::int16_t code;
    PayKind kind;
  };
  const Row rows[] = {
      {"cash", [](TavirelControl& c) { return c.opContante(1); }, OP_CODE_CONT_REST, PayKind::Cash},
      {"cheque", [](TavirelControl& c) { return c.opAssegno(1, Euro("2.00")); }, OP_CODE_ASSEG_REST,
       PayKind::Cheque},
      {"ticket", [](TavirelControl& c) { return c.opTicket(1, 1, Euro("2.00")); },
       OP_CODE_TICKET_REST, PayKind::Ticket},
      {"card", [](TavirelControl& c) { return c.opCredCC(1, 2); }, 1045, PayKind::Card},
  };
  DriverRig rig;
  int number = 0;
  for (const auto& row : rows) {
    ASSERT_EQ(rig.ctl->opReparto(1, "PANE", Euro("1.50"), 2), OP_OK) << row.name;
    ASSERT_EQ(row.pay(*rig.ctl), OP_OK) << row.name;
    EXPECT_EQ(rig.ctl->LastOPCode(), row.code) << row.name;
    EXPECT_EQ(rig.ctl->LastNumSF(), ++number) << row.name;
    EXPECT_EQ(rig.reg->State().day.totals.payments[static_cast<int>(row.kind)], 150) << row.name;
  }
  EXPECT_EQ(rig.ctl->opTicket(1, 1, Euro("1.00")), EERR);  // no receipt open
  EXPECT_EQ(rig.ctl->LastEERR(), perr::kSequenzaErrata);
}

TEST(DriverReceipt, TicketRemainderAndCardDetails) {
  DriverRig rig;
  auto& c = *rig.ctl;
  c.opReparto(1, "PRANZO", Euro("12.00"), 1);
  ASSERT_EQ(c.opTicket(1, 1, Euro("5.20")), OP_OK);
  EXPECT_EQ(c.LastOPCode(), OP_CODE_TICKET_RIM);
  EXPECT_EQ(c.LastNumTick(), 1);
  EXPECT_EQ(c.LastImp(), Units(520));
  EXPECT_EQ(c.LastRim(), Units(680));
  ASSERT_EQ(c.opCredCC(1, 3), OP_OK);
  EXPECT_EQ(c.LastCC(), 3);
  EXPECT_EQ(c.LastImp(), Units(680));
  EXPECT_EQ(c.LastNumSF(), 1);
}

TEST(DriverReceipt, QuantitiesVoidsReturnsAdjustmentsAndCorrection) {
  DriverRig rig;
  auto& c = *rig.ctl;
  ASSERT_EQ(c.opRepartoQDec(1, "MELE", 1.5f, Euro("2.00"), 1), OP_OK);
  EXPECT_FLOAT_EQ(c.LastQta(), 1.5f);
  EXPECT_EQ(c.LastImp(), Units(300));
  ASSERT_EQ(c.opRepartoQInt(1, "PANE", 4, Euro("1.00"), 2), OP_OK);
  ASSERT_EQ(c.opRepartoStornoQInt(1, "PANE", 1, Euro("1.00"), 2), OP_OK);
  ASSERT_EQ(c.opRepartoStornoQDec(1, "PANE", 0.5f, Euro("1.00"), 2), OP_OK);
  ASSERT_EQ(c.opRepartoReso(1, "VASO", Euro("0.50"), 3), OP_OK);
  ASSERT_EQ(c.opRepartoResoQInt(1, "VASO", 1, Euro("0.50"), 3), OP_OK);
  ASSERT_EQ(c.opRepartoResoQDec(1, "VASO", 0.5f, Euro("1.00"), 3), OP_OK);
  ASSERT_EQ(c.opRepartoStorno(1, "PANE", Euro("1.00"), 2), OP_OK);
  // 3.00 + 4.00 - 1.00 - 0.50 - 0.50 - 0.50 - 0.50 - 1.00 = 3.00
  ASSERT_EQ(c.opSubTot(1), OP_OK);
  EXPECT_EQ(c.LastSubTotFisc(), Units(300));
  ASSERT_EQ(c.opSubTotAbbuono(1, Euro("0.20")), OP_OK);
  EXPECT_EQ(c.LastSubT(), Units(280));
  EXPECT_EQ(c.LastImp(), Units(20));
  ASSERT_EQ(c.opSubTotPercMinus(1, 10.0f), OP_OK);
  EXPECT_FLOAT_EQ(c.LastPerc(), 10.0f);
  EXPECT_EQ(c.LastImp(), Units(28));
  EXPECT_EQ(c.LastSubT(), Units(252));
  ASSERT_EQ(c.opCorr(1), OP_OK);
  EXPECT_EQ(c.LastOPCode(), 1027);
  ASSERT_EQ(c.opSubTotPercPlus(1, 5.5f), OP_OK);
  EXPECT_EQ(c.LastImp(), Units(15));  // 5.5% of 2.80
  EXPECT_EQ(c.opRepartoStornoQInt(1, "PANE", 9, Euro("1.00"), 2), EERR);
  EXPECT_EQ(c.LastEERR(), perr::kDatiInesistenti);
  ASSERT_EQ(c.opVoidTot(1), OP_OK);
  EXPECT_EQ(c.LastTotFisc(), Units(295));
  EXPECT_EQ(c.LastNumSF(), 1);
  EXPECT_EQ(rig.reg->State().day.totals.voided_receipts, 1);
}

TEST(DriverReceipt, OmittedPriceAndProductCode) {
  DriverRig rig;
  auto& c = *rig.ctl;
  ASSERT_EQ(c.opProgReparto(8, "GELATI", Euro("2.50"), Euro("3.00"), Units(0), 0, 2, Units(0), 1, 1,
                            "PZ"),
            OP_OK);
  ASSERT_EQ(c.opReparto(1, "CONO", Units(0), 8, 2, "8001234567890"), OP_OK);
  EXPECT_EQ(c.LastPre(), Units(300));
  EXPECT_EQ(c.LastTipoPre(), 2);
  EXPECT_EQ(c.LastCodProd(), "8001234567890" + std::string(27, ' '));
  EXPECT_EQ(c.opReparto(1, "CONO", Units(0), 8, 3), EERR);
  EXPECT_EQ(c.LastEERR(), perr::kNonProgrammato);
}

TEST(DriverReceipt, RefusalsComeBackWithTheirNumbersAndChangeNothing) {
  DriverRig rig;
  auto& c = *rig.ctl;
  ASSERT_EQ(c.opReparto(1, "PANE", Euro("5.00"), 1), OP_OK);
  ASSERT_EQ(c.opContante(1, Euro("1.00")), OP_OK);
  const RegisterState before = rig.reg->State();
  struct Row {
    const char* name;
    std::function<std::int16_t()> call;
    int error;
  };
  const Row rows[] = {
      {"sale during payment", [&] { return c.opReparto(1, "X", Euro("1.00"), 1); },
       perr::kChiudiPagamento},
      {"void during payment", [&] { return c.opVoidTot(1); }, perr::kChiudiPagamento},
      {"closure during payment", [&] { return c.opZChiusuraFisc(1); }, perr::kChiudiPagamento},
      {"report during payment", [&] { return c.opXTotFinGior(1); }, perr::kChiudiPagamento},
      {"unknown card", [&] { return c.opCredCC(1, 9); }, perr::kNonProgrammato},
      {"operator 20", [&] { return c.opContante(20, Euro("1.00")); }, perr::kMancaOperatore},
      {"line end outside document", [&] { return c.opDatiSNoFisc(1, 1, "X"); },
       perr::kSequenzaErrata},
      {"date while open", [&] { return c.opProgDataOra(1, 1, 27, 9, 0); }, perr::kChiudiPagamento},
      {"two-digit line number", [&] { return c.opReadTipoRigaInt(12); }, perr::kValoreErrato},
      {"four-digit year", [&] { return c.opProgDataOra(1, 1, 2027, 9, 0); }, perr::kValoreErrato},
  };
  for (const auto& row : rows) {
    rig.events.clear();
    EXPECT_EQ(row.call(), EERR) << row.name;
    EXPECT_EQ(c.LastEERR(), row.error) << row.name;
    ASSERT_EQ(rig.events.size(), 1u) << row.name;
    EXPECT_EQ(rig.events[0], std::make_pair(std::int16_t{-1}, std::int32_t{row.error})) << row.name;
    EXPECT_EQ(rig.reg->State(), before) << row.name;
  }
  EXPECT_EQ(c.GetLastErrorDescription(-1, c.LastEERR()), "VALORE ERRATO");
}

TEST(DriverReceipt, RefusedBeforeAReceiptIsOpen) {
  DriverRig rig;
  auto& c = *rig.ctl;
  EXPECT_EQ(c.opContante(1), EERR);
  EXPECT_EQ(c.LastEERR(), perr::kSequenzaErrata);
  EXPECT_EQ(c.opReparto(1, "X", Euro("1.00"), 9), EERR);
  EXPECT_EQ(c.LastEERR(), perr::kNonProgrammato);
  ASSERT_EQ(c.opReparto(1, "X", Euro("1.00"), 1), OP_OK);
  EXPECT_EQ(c.opXTotFinGior(1), EERR);
  EXPECT_EQ(c.LastEERR(), perr::kChiudiScontrino);
  EXPECT_EQ(c.opIniSNoFisc(1), EERR);
  EXPECT_EQ(c.LastEERR(), perr::kChiudiScontrino);
}

TEST(DriverReceipt, JournalHoldsTheReceiptTextAsPrinted) {
  DriverRig rig;
  auto& c = *rig.ctl;
  std::string printed;
  rig.reg->SubscribeJournal([&](const PrintedLine& line) { printed += line.text + "\n"; });
  c.opReparto(1, "PANE", Euro("1.50"), 2);
  EXPECT_NE(printed.find("PANE                         1,50 10,00%\n"), std::string::npos)
      << printed;
  c.opContante(1, Euro("2.00"));
  const auto receipts = rig.reg->JournalDocuments();
  ASSERT_EQ(receipts.size(), 1u);
  EXPECT_TRUE(receipts[0].complete);
  EXPECT_EQ(receipts[0].Text(), printed);
  for (const char* line :
       {"TOTALE EURO                         1,50\n", "CONTANTE                            2,00\n",
        "RESTO                               0,50\n", "07-12-2026 10:30                SF. 0001\n",
        "               MF 123456\n", "          TAVIREL REGISTRATORE\n"}) {
    EXPECT_NE(printed.find(line), std::string::npos) << line;
  }
}

}  // namespace
}  // namespace tavirel::sim
