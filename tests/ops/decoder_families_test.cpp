// After OP_OK each operation fills exactly the values of its decoder, and
// every other property holds its default. All rows run on one control, so a
// row also shows that nothing of the previous operation survives.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ops/reply_samples.hpp"
#include "support/control_rig.hpp"

namespace tavirel {
namespace {

using namespace tavirel::testing;
using ::testing::IsEmpty;
using C = TavirelControl;
using D = Decoder;

struct FamilyRow {
  std::string op;
  std::function<std::int16_t(C&)> call;
  ReplySample reply;
};

// The sample of `decoder` answered with the operation's own code.
FamilyRow Row(std::string op, std::function<std::int16_t(C&)> call, D decoder, int code) {
  return {std::move(op), std::move(call), WithCode(SampleOf(decoder), code)};
}

void ExpectEachFillsExactlyItsValues(const std::vector<FamilyRow>& rows) {
  ControlRig rig;
  for (const FamilyRow& row : rows) {
    SCOPED_TRACE(row.op + " answered " + row.reply.payload);
    rig.printer.AnswerPayload(row.reply.payload);
    EXPECT_EQ(row.call(*rig.control), OP_OK);
    EXPECT_THAT(RecordDifferences(*rig.control, row.reply.values), IsEmpty());
  }
  EXPECT_THAT(rig.events, IsEmpty());
}

const Currency kTen = Currency::FromUnits(10);

TEST(DecoderFamilies, AcknowledgementsDocumentsAndReports) {
  constexpr D Ack = D::DecodeAckReply;
  constexpr D Doc = D::DecodeDocumentReply;
  constexpr D Fiscal = D::DecodeFiscalDocumentReply;
  ExpectEachFillsExactlyItsValues({
      Row(
          "opAttivazioneEuro", [](C& c) { return c.opAttivazioneEuro(1); }, Ack, 3018),
      Row(
          "opBloccoTastiera", [](C& c) { return c.opBloccoTastiera(1); }, Ack, 1055),
      Row(
          "opSBloccoTastiera", [](C& c) { return c.opSBloccoTastiera(1); }, Ack, 1056),
      Row(
          "opCorr", [](C& c) { return c.opCorr(1); }, Ack, 1027),
      Row(
          "opIniSNoFisc", [](C& c) { return c.opIniSNoFisc(1); }, Ack, 1063),
      Row(
          "opDatiSNoFisc", [](C& c) { return c.opDatiSNoFisc(1, 0, "RIGA"); }, Ack, 1064),
      Row(
          "opEndSNoFisc", [](C& c) { return c.opEndSNoFisc(1).get<std::int16_t>(); }, Ack, 1065),
      Row(
          "opDescAgg", [](C& c) { return c.opDescAgg(1, "NOTA"); }, Ack, 1066),
      Row(
          "opRigheAgg", [](C& c) { return c.opRigheAgg(1, 1, "RIGA"); }, Ack, 1067),
      Row(
          "opMsgVisoreCortesia", [](C& c) { return c.opMsgVisoreCortesia(1, "CIAO"); }, Ack, 1062),
      Row(
          "opRiavvioStampaDaFineCarta", [](C& c) { return c.opRiavvioStampaDaFineCarta(1); }, Ack,
          1149),
      Row(
          "opProgConf", [](C& c) { return c.opProgConf(2, 45); }, Ack, 4015),
      Row(
          "opProgCredCC", [](C& c) { return c.opProgCredCC(3, "VISA"); }, Ack, 4007),
      Row(
          "opProgDataOra", [](C& c) { return c.opProgDataOra(6, 12, 1, 9, 5); }, Ack, 4001),
      Row(
          "opProgFlag", [](C& c) { return c.opProgFlag(3, 1); }, Ack, 4014),
      Row(
          "opProgOpr", [](C& c) { return c.opProgOpr(4, "MARIO", 12, 0.0f); }, Ack, 4013),
      Row(
          "opProgReparto",
          [](C& c) { return c.opProgReparto(2, "PANE", kTen, kTen, kTen, 1, 1, kTen, 0, 0, "1"); },
          Ack, 4002),
      Row(
          "opProgRigaInt", [](C& c) { return c.opProgRigaInt(1, "NEGOZIO"); }, Ack, 3016),
      Row(
          "opProgTassa", [](C& c) { return c.opProgTassa(1, 20.0f); }, Ack, 4005),
      Row(
          "opProgTicket", [](C& c) { return c.opProgTicket(2, "PASTI", kTen); }, Ack, 4010),
      Row(
          "opProgTipoRigaInt", [](C& c) { return c.opProgTipoRigaInt(4, 2); }, Ack, 4016),
      Row(
          "opApriCassetto", [](C& c) { return c.opApriCassetto(1); }, Doc, 1050),
      Row(
          "opRistampaScontr", [](C& c) { return c.opRistampaScontr(1); }, Doc, 1047),
      Row(
          "opXTotFinGior", [](C& c) { return c.opXTotFinGior(1); }, Doc, 2001),
      Row(
          "opXTotRepGior", [](C& c) { return c.opXTotRepGior(1, 2); }, Doc, 2003),
      Row(
          "opXTotOreGior", [](C& c) { return c.opXTotOreGior(1); }, Doc, 2005),
      Row(
          "opXTotOprGior", [](C& c) { return c.opXTotOprGior(1, 3); }, Doc, 2006),
      Row(
          "opXTotFinPer", [](C& c) { return c.opXTotFinPer(1); }, Doc, 2007),
      Row(
          "opXTotRepPer", [](C& c) { return c.opXTotRepPer(1, 2); }, Doc, 2009),
      Row(
          "opXTotOrePer", [](C& c) { return c.opXTotOrePer(1); }, Doc, 2011),
      Row(
          "opXTotOprPer", [](C& c) { return c.opXTotOprPer(1, 3); }, Doc, 2012),
      Row(
          "opZTotOreGior", [](C& c) { return c.opZTotOreGior(1); }, Doc, 3005),
      Row(
          "opZTotOprGior", [](C& c) { return c.opZTotOprGior(1, 3); }, Doc, 3006),
      Row(
          "opZTotFinPer", [](C& c) { return c.opZTotFinPer(1); }, Doc, 3007),
      Row(
          "opZTotOrePer", [](C& c) { return c.opZTotOrePer(1); }, Doc, 3010),
      Row(
          "opZTotOprPer", [](C& c) { return c.opZTotOprPer(1, 3); }, Doc, 3011),
      Row(
          "opZChiusuraFisc", [](C& c) { return c.opZChiusuraFisc(1); }, Fiscal, 3001),
      Row(
          "opZFiscMem", [](C& c) { return c.opZFiscMem(1); }, Fiscal, 3015),
      Row(
          "opZTotFinGior", [](C& c) { return c.opZTotFinGior(1); }, D::DecodeZFinancialReply, 3002),
  });
}

TEST(DecoderFamilies, SaleLines) {
  constexpr D Sale = D::DecodeSaleLineReply;
  const Currency price = Currency::Parse("1.50");
  ExpectEachFillsExactlyItsValues({
      Row(
          "opReparto", [&](C& c) { return c.opReparto(1, "PANE", price, 2); }, Sale, 1003),
      Row(
          "opRepartoQInt", [&](C& c) { return c.opRepartoQInt(1, "PANE", 2, price, 2); }, Sale,
          1004),
      Row(
          "opRepartoQDec", [&](C& c) { return c.opRepartoQDec(1, "PANE", 1.5f, price, 2); }, Sale,
          1005),
      Row(
          "opRepartoReso", [&](C& c) { return c.opRepartoReso(1, "PANE", price, 2); }, Sale, 1009),
      Row(
          "opRepartoResoQInt", [&](C& c) { return c.opRepartoResoQInt(1, "PANE", 2, price, 2); },
          Sale, 1010),
      Row(
          "opRepartoResoQDec", [&](C& c) { return c.opRepartoResoQDec(1, "PANE", 1.5f, price, 2); },
          Sale, 1011),
      Row(
          "opRepartoStorno", [&](C& c) { return c.opRepartoStorno(1, "PANE", price, 2); }, Sale,
          1015),
      Row(
          "opRepartoStornoQInt",
          [&](C& c) { return c.opRepartoStornoQInt(1, "PANE", 2, price, 2); }, Sale, 1016),
      Row(
          "opRepartoStornoQDec",
          [&](C& c) { return c.opRepartoStornoQDec(1, "PANE", 1.5f, price, 2); }, Sale, 1017),
  });
}

TEST(DecoderFamilies, Payments) {
  const auto contante = [](C& c) { return c.opContante(1, kTen); };
  const auto assegno = [](C& c) { return c.opAssegno(1, kTen); };
  const auto ticket = [](C& c) { return c.opTicket(3, 2, kTen); };
  ExpectEachFillsExactlyItsValues({
      Row("opContante", contante, D::DecodePaymentRemainderReply, 1171),
      Row("opContante", contante, D::DecodePaymentClosingReply, 1172),
      Row("opAssegno", assegno, D::DecodePaymentRemainderReply, 1175),
      Row("opAssegno", assegno, D::DecodePaymentClosingReply, 1176),
      Row("opTicket", ticket, D::DecodeTicketRemainderReply, 1179),
      Row("opTicket", ticket, D::DecodeTicketClosingReply, 1180),
      Row(
          "opCredCC", [](C& c) { return c.opCredCC(1, 3); }, D::DecodeCreditCardReply, 1045),
  });
}

TEST(DecoderFamilies, SubtotalAdjustmentsAndVoid) {
  const auto subtot = [](C& c) { return c.opSubTot(1); };
  constexpr D Percent = D::DecodePercentAdjustmentReply;
  ExpectEachFillsExactlyItsValues({
      Row("opSubTot", subtot, D::DecodeSubtotalReply, 1051),
      Row("opSubTot", subtot, D::DecodeSubtotalRemainderReply, 1181),
      Row(
          "opSubTotAbbuono", [](C& c) { return c.opSubTotAbbuono(1, kTen); },
          D::DecodeAmountAdjustmentReply, 1024),
      Row(
          "opSubTotPercPlus", [](C& c) { return c.opSubTotPercPlus(1, 12.5f); }, Percent, 1025),
      Row(
          "opSubTotPercMinus", [](C& c) { return c.opSubTotPercMinus(1, 12.5f); }, Percent, 1026),
      Row(
          "opVoidTot", [](C& c) { return c.opVoidTot(1); }, D::DecodeVoidTotalReply, 1028),
  });
}

TEST(DecoderFamilies, Readings) {
  ExpectEachFillsExactlyItsValues({
      Row(
          "opReadDataOra", [](C& c) { return c.opReadDataOra(); }, D::DecodeDateTimeReply, 4201),
      Row(
          "opReadReparto", [](C& c) { return c.opReadReparto(5); }, D::DecodeRepartoTableReply,
          4202),
      Row(
          "opReadTassa", [](C& c) { return c.opReadTassa(1); }, D::DecodeVatRateTableReply, 4205),
      Row(
          "opReadCredCC", [](C& c) { return c.opReadCredCC(3); }, D::DecodeCardTableReply, 4207),
      Row(
          "opReadTicket", [](C& c) { return c.opReadTicket(2); }, D::DecodeTicketTableReply, 4210),
      Row(
          "opReadOpr", [](C& c) { return c.opReadOpr(4); }, D::DecodeOperatorTableReply, 4213),
      Row(
          "opReadFlag", [](C& c) { return c.opReadFlag(3); }, D::DecodeFlagTableReply, 4214),
      Row(
          "opReadConf", [](C& c) { return c.opReadConf(2); }, D::DecodeConfTableReply, 4215),
      Row(
          "opReadTipoRigaInt", [](C& c) { return c.opReadTipoRigaInt(4); },
          D::DecodeLineTypeTableReply, 4216),
      Row(
          "opReadMatrFisc", [](C& c) { return c.opReadMatrFisc(1); }, D::DecodeFiscalSerialReply,
          3217),
  });
}

TEST(DecoderFamilies, SwitchingThePrinterToEuroLeavesTheCurrencyModeAlone) {
  ControlRig rig(TVL_EUROSETTINGS_LIRE);
  rig.printer.AnswerPayload("301801");
  EXPECT_EQ(rig.control->opAttivazioneEuro(1), OP_OK);
  EXPECT_EQ(rig.control->EuroSettings(), TVL_EUROSETTINGS_LIRE);
}

}  // namespace
}  // namespace tavirel
