// Every operation of the driver against the register: programming and
// reading the tables, documents and devices, reports and the fiscal closure.
// An OP_OK whose reply the driver could not decode would leave LastOPCode 0,
// so each reply layout is checked by the driver's own decoders.
#include <gtest/gtest.h>

#include "driver_rig.hpp"
#include "tavirel/sim/printer_errors.hpp"

namespace tavirel::sim {
namespace {

using test::DriverRig;
using test::Euro;
using test::Units;

TEST(DriverCatalogue, TablesAreProgrammedAndReadBack) {
  DriverRig rig;
  auto& c = *rig.ctl;
  ASSERT_EQ(c.opProgTassa(5, 8.5f), OP_OK);
  ASSERT_EQ(c.opReadTassa(5), OP_OK);
  EXPECT_EQ(c.LastNTassa(), 5);
  EXPECT_FLOAT_EQ(c.LastAliquota(), 8.5f);
  ASSERT_EQ(c.opProgReparto(9, "SALUMERIA", Euro("1.20"), Euro("1.10"), Euro("1.00"), 0, 5,
                            Euro("999.99"), 3, 4, "7"),
            OP_OK);
  EXPECT_EQ(c.LastOPCode(), 4002);
  ASSERT_EQ(c.opReadReparto(9), OP_OK);
  EXPECT_EQ(c.LastNReparto(), 9);
  EXPECT_EQ(c.LastDescReparto(), "SALUMERIA           ");
  EXPECT_EQ(c.LastPrezzo1(), Units(120));
  EXPECT_EQ(c.LastPrezzo3(), Units(100));
  EXPECT_EQ(c.LastNTassaRep(), 5);
  EXPECT_EQ(c.LastLimite(), Units(99999));
  EXPECT_EQ(c.LastGruppoStampa(), 3);
  EXPECT_EQ(c.LastSuperGruppoMerceologico(), 4);
  EXPECT_EQ(c.LastUMFattura(), "07");
  ASSERT_EQ(c.opProgCredCC(4, "  AMEX  "), OP_OK);
  ASSERT_EQ(c.opReadCredCC(4), OP_OK);
  EXPECT_EQ(c.LastDescCartaCC(), "AMEX                ");
  ASSERT_EQ(c.opProgTicket(3, "BUONO", Euro("5.16")), OP_OK);
  ASSERT_EQ(c.opReadTicket(3), OP_OK);
  EXPECT_EQ(c.LastValoreTicket(), Units(516));
  ASSERT_EQ(c.opProgOpr(7, "MARIA", 42, 12.5f), OP_OK);
  ASSERT_EQ(c.opReadOpr(7), OP_OK);
  EXPECT_EQ(c.LastDescOpr(), "MARIA               ");
  EXPECT_EQ(c.LastCodOprSegr(), 42);
  EXPECT_FLOAT_EQ(c.LastPerOpr(), 12.5f);
  ASSERT_EQ(c.opProgFlag(3, 1), OP_OK);
  ASSERT_EQ(c.opReadFlag(3), OP_OK);
  EXPECT_EQ(c.LastFlag(), 1);
  ASSERT_EQ(c.opProgConf(2, 45), OP_OK);
  ASSERT_EQ(c.opReadConf(2), OP_OK);
  EXPECT_EQ(c.LastConf(), 45);
  ASSERT_EQ(c.opProgTipoRigaInt(4, 2), OP_OK);
  ASSERT_EQ(c.opReadTipoRigaInt(4), OP_OK);
  EXPECT_EQ(c.LastNumRiga(), 4);
  EXPECT_EQ(c.LastTipoStampa(), 2);
  ASSERT_EQ(c.opProgRigaInt(6, "ORARIO 8-20"), OP_OK);
  EXPECT_EQ(c.LastOPCode(), 3016);
  ASSERT_EQ(c.opReadMatrFisc(1), OP_OK);
  EXPECT_EQ(c.LastMatrFisc(), 123456);
  EXPECT_TRUE(rig.events.empty());
}

TEST(DriverCatalogue, ClockIsSetAndRead) {
  DriverRig rig;
  auto& c = *rig.ctl;
  ASSERT_EQ(c.opReadDataOra(), OP_OK);
  EXPECT_EQ(c.LastDate().Parts(), (DateParts{2026, 12, 7, 10, 30, 0}));
  ASSERT_EQ(c.opProgDataOra(6, 12, 1, 9, 5), OP_OK);
  ASSERT_EQ(c.opReadDataOra(), OP_OK);
  EXPECT_EQ(c.LastDate().Parts(), (DateParts{2001, 12, 6, 9, 5, 0}));
  ASSERT_EQ(c.opZChiusuraFisc(1), OP_OK);
  EXPECT_EQ(c.opProgDataOra(5, 12, 1, 9, 5), EERR);
  EXPECT_EQ(c.LastEERR(), perr::kDataInferiore);
  EXPECT_EQ(c.opProgDataOra(31, 2, 2, 9, 5), EERR);
  EXPECT_EQ(c.LastEERR(), perr::kDataErrata);
}

TEST(DriverCatalogue, DocumentsDisplayDrawerKeyboardAndReprint) {
  DriverRig rig;
  auto& c = *rig.ctl;
  ASSERT_EQ(c.opIniSNoFisc(1), OP_OK);
  ASSERT_EQ(c.opDatiSNoFisc(1, 2, "PROMOZIONE"), OP_OK);
  const Variant end = c.opEndSNoFisc(1);
  EXPECT_EQ(end.ToI2(), OP_OK);
  ASSERT_EQ(c.opApriCassetto(1), OP_OK);
  EXPECT_EQ(c.LastNumSNF(), 1);
  ASSERT_EQ(c.opMsgVisoreCortesia(1, "BENVENUTI", 0, 3), OP_OK);
  EXPECT_EQ(rig.reg->State().displays[0].text, "BENVENUTI" + std::string(31, ' '));
  EXPECT_EQ(rig.reg->State().displays[0].cursor, 3);
  ASSERT_EQ(c.opBloccoTastiera(1), OP_OK);
  EXPECT_TRUE(rig.reg->State().keyboard_locked);
  ASSERT_EQ(c.opSBloccoTastiera(1), OP_OK);
  EXPECT_FALSE(rig.reg->State().keyboard_locked);
  ASSERT_EQ(c.opRigheAgg(1, 1, "ARRIVEDERCI"), OP_OK);
  ASSERT_EQ(c.opReparto(1, "PANE", Euro("1.00"), 1), OP_OK);
  ASSERT_EQ(c.opDescAgg(1, "INTEGRALE"), OP_OK);
  ASSERT_EQ(c.opContante(1), OP_OK);
  ASSERT_EQ(c.opRistampaScontr(1), OP_OK);
  EXPECT_EQ(c.LastNumSNF(), 2);
  const auto docs = rig.reg->JournalDocuments();
  ASSERT_EQ(docs.size(), 3u);
  EXPECT_EQ(docs[2].kind, DocumentKind::Reprint);
  for (const char* text : {"INTEGRALE", "ARRIVEDERCI", "RISTAMPA"}) {
    EXPECT_NE(docs[2].Text().find(text), std::string::npos) << text;
  }
  EXPECT_NE(docs[0].Text().find("PROMOZIONE"), std::string::npos);
  EXPECT_EQ(c.opAttivazioneEuro(1), EERR);  // already in euro
  EXPECT_EQ(c.LastEERR(), perr::kNonPossibile);
}

TEST(DriverCatalogue, EveryReportAndTheClosureAnswerTheirDocumentNumbers) {
  DriverRig rig;
  auto& c = *rig.ctl;
  c.opReparto(1, "PANE", Euro("1.00"), 1);
  c.opContante(1);
  struct Row {
    const char* name;
    std::function<std::int16_t()> call;
    std::int16_t code;
  };
  const Row rows[] = {
      {"opXTotFinGior", [&] { return c.opXTotFinGior(1); }, 2001},
      {"opXTotRepGior", [&] { return c.opXTotRepGior(1, 1); }, 2003},
      {"opXTotOreGior", [&] { return c.opXTotOreGior(1); }, 2005},
      {"opXTotOprGior", [&] { return c.opXTotOprGior(1, 1); }, 2006},
      {"opXTotFinPer", [&] { return c.opXTotFinPer(1); }, 2007},
      {"opXTotRepPer", [&] { return c.opXTotRepPer(1, 0); }, 2009},
      {"opXTotOrePer", [&] { return c.opXTotOrePer(1); }, 2011},
      {"opXTotOprPer", [&] { return c.opXTotOprPer(1, 0); }, 2012},
      {"opZTotOreGior", [&] { return c.opZTotOreGior(1); }, 3005},
      {"opZTotOprGior", [&] { return c.opZTotOprGior(1, 1); }, 3006},
      {"opZTotFinPer", [&] { return c.opZTotFinPer(1); }, 3007},
      {"opZTotOrePer", [&] { return c.opZTotOrePer(1); }, 3010},
      {"opZTotOprPer", [&] { return c.opZTotOprPer(1, 1); }, 3011},
  };
  std::int32_t number = 0;
  for (const auto& row : rows) {
    ASSERT_EQ(row.call(), OP_OK) << row.name;
    EXPECT_EQ(c.LastOPCode(), row.code) << row.name;
    EXPECT_EQ(c.LastNumSNF(), ++number) << row.name;
    EXPECT_EQ(c.LastNumSF(), 0) << row.name;
  }
  ASSERT_EQ(c.opZTotFinGior(1), OP_OK);
  EXPECT_EQ(c.LastNumSNF(), ++number);
  EXPECT_EQ(c.LastNumSF(), 1);  // the day's last receipt
  ASSERT_EQ(c.opZChiusuraFisc(1), OP_OK);
  EXPECT_EQ(c.LastNumSF(), 1);
  EXPECT_EQ(c.LastNumSNF(), 0);
  ASSERT_EQ(c.opZFiscMem(1), OP_OK);
  EXPECT_EQ(c.LastNumSF(), 1);
  ASSERT_EQ(rig.reg->FiscalMemory().size(), 1u);
  EXPECT_EQ(rig.reg->FiscalMemory()[0].total, 100);
  EXPECT_EQ(rig.reg->FiscalMemory()[0].receipts, 1);
  EXPECT_EQ(rig.reg->JournalDocuments().back().kind, DocumentKind::FiscalMemoryReport);
}

TEST(DriverCatalogue, LireRegisterSwitchesToEuroAfterAClosure) {
  SimOptions options;
  options.currency = CurrencyUnit::Lire;
  DriverRig rig(options, TVL_EUROSETTINGS_LIRE);
  auto& c = *rig.ctl;
  ASSERT_EQ(c.opReparto(1, "CAFFE", Units(1500), 1), OP_OK);
  EXPECT_EQ(c.LastImp(), Units(1500));
  ASSERT_EQ(c.opContante(1, Units(2000)), OP_OK);
  EXPECT_EQ(c.LastRest(), Units(500));
  EXPECT_EQ(c.opAttivazioneEuro(1), EERR);
  EXPECT_EQ(c.LastEERR(), perr::kImpossibileOra);
  ASSERT_EQ(c.opZChiusuraFisc(1), OP_OK);
  ASSERT_EQ(c.opAttivazioneEuro(1), OP_OK);
  EXPECT_EQ(c.EuroSettings(), TVL_EUROSETTINGS_LIRE);  // the driver's mode is the host's
  c.EuroSettings(TVL_EUROSETTINGS_EURO);
  ASSERT_EQ(c.opReparto(1, "CAFFE", Euro("0.80"), 1), OP_OK);
  EXPECT_EQ(c.LastImp(), Units(80));
  EXPECT_EQ(rig.reg->State().currency, CurrencyUnit::Euro);
}

}  // namespace
}  // namespace tavirel::sim
