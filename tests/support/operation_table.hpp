#pragma once
// Every operation of the control, at least once: a call with representative
// arguments, the same arguments as text (for the dispatch interface), the
// exact command string worked out field by field from the command layouts,
// the reply limit in seconds, and the decoder that reads its reply with the
// reply code the printer answers with. Operations that choose their decoder
// by the reply code have one row per code.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ops/decoders.hpp"
#include "support/fields.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel::testing {

struct OperationRow {
  std::string op;
  std::int32_t mode;  // EuroSettings for the call
  std::function<std::int16_t(TavirelControl&)> call;
  std::vector<Variant> text;  // the call's arguments as text
  std::string command;        // UTF-8
  int limit;
  ops::Decoder decoder;
  int reply_code;
};

inline const std::vector<OperationRow>& OperationRows() {
  using Ctl = TavirelControl;
  using D = ops::Decoder;
  constexpr std::int32_t E = TVL_EUROSETTINGS_EURO;
  constexpr std::int32_t L = TVL_EUROSETTINGS_LIRE;
  const auto Cur = [](const char* text) { return Currency::Parse(text); };
  const std::string kNoProduct = Zeros(40);
  // clang-format off
  static const std::vector<OperationRow> rows = {
      // Non-fiscal documents, display, drawer and keyboard.
      {"opApriCassetto", E, [](Ctl& c) { return c.opApriCassetto(1); }, {"1"}, "105001", 10,
       D::DecodeDocumentReply, 1050},
      {"opAttivazioneEuro", E, [](Ctl& c) { return c.opAttivazioneEuro(1); }, {"1"}, "301801", 10,
       D::DecodeAckReply, 3018},
      {"opBloccoTastiera", E, [](Ctl& c) { return c.opBloccoTastiera(1); }, {"1"}, "105501", 10,
       D::DecodeAckReply, 1055},
      {"opSBloccoTastiera", E, [](Ctl& c) { return c.opSBloccoTastiera(1); }, {"1"}, "105601", 10,
       D::DecodeAckReply, 1056},
      {"opIniSNoFisc", E, [](Ctl& c) { return c.opIniSNoFisc(1); }, {"1"}, "106301", 10,
       D::DecodeAckReply, 1063},
      {"opDatiSNoFisc", E, [](Ctl& c) { return c.opDatiSNoFisc(1, 2, ""); }, {"1", "2", ""},
       Fields("106401", "2", Blanks(40)), 10, D::DecodeAckReply, 1064},
      {"opEndSNoFisc", E, [](Ctl& c) { return c.opEndSNoFisc(1).get<std::int16_t>(); }, {"1"},
       "106501", 10, D::DecodeAckReply, 1065},
      {"opDescAgg", E, [](Ctl& c) { return c.opDescAgg(1, "  Caff\u00e8  "); },
       {"1", "  Caff\u00e8  "}, Fields("106601", "Caff\u00e8", Blanks(15)), 10, D::DecodeAckReply,
       1066},
      {"opRigheAgg", E, [](Ctl& c) { return c.opRigheAgg(1, 2, ""); }, {"1", "2", ""},
       Fields("106701", "2", Blanks(40)), 10, D::DecodeAckReply, 1067},
      {"opMsgVisoreCortesia", E, [](Ctl& c) { return c.opMsgVisoreCortesia(1, "SALVE"); },
       {"1", "SALVE"}, Fields("106201", "0", "SALVE", Blanks(35), "0"), 10, D::DecodeAckReply,
       1062},
      {"opMsgVisoreCortesia", E, [](Ctl& c) { return c.opMsgVisoreCortesia(1, "SALVE", 0, 12); },
       {"1", "SALVE", "0", "12"}, Fields("106201", "0", "SALVE", Blanks(35), "12"), 10,
       D::DecodeAckReply, 1062},
      {"opRistampaScontr", E, [](Ctl& c) { return c.opRistampaScontr(1); }, {"1"}, "104701", 10,
       D::DecodeDocumentReply, 1047},
      {"opRiavvioStampaDaFineCarta", E, [](Ctl& c) { return c.opRiavvioStampaDaFineCarta(1); },
       {"1"}, "114901", 10, D::DecodeAckReply, 1149},

      // Payments, subtotal and adjustments.
      {"opSubTot", E, [](Ctl& c) { return c.opSubTot(1); }, {"1"}, "105101", 10,
       D::DecodeSubtotalReply, 1051},
      {"opSubTot", E, [](Ctl& c) { return c.opSubTot(2); }, {"2"}, "105102", 10,
       D::DecodeSubtotalRemainderReply, 1181},
      {"opSubTotAbbuono", E, [=](Ctl& c) { return c.opSubTotAbbuono(1, Cur("0.50")); },
       {"1", "0.50"}, Fields("102401", "000000050"), 10, D::DecodeAmountAdjustmentReply, 1024},
      {"opSubTotPercPlus", E, [](Ctl& c) { return c.opSubTotPercPlus(1, 10.0f); }, {"1", "10"},
       Fields("102501", "1000"), 10, D::DecodePercentAdjustmentReply, 1025},
      {"opSubTotPercMinus", E, [](Ctl& c) { return c.opSubTotPercMinus(1, 5.5f); }, {"1", "5.5"},
       Fields("102601", "0550"), 10, D::DecodePercentAdjustmentReply, 1026},
      {"opCorr", E, [](Ctl& c) { return c.opCorr(1); }, {"1"}, "102701", 10, D::DecodeAckReply,
       1027},
      {"opVoidTot", E, [](Ctl& c) { return c.opVoidTot(1); }, {"1"}, "102801", 10,
       D::DecodeVoidTotalReply, 1028},
      {"opContante", E, [=](Ctl& c) { return c.opContante(1, Cur("10")); }, {"1", "10"},
       Fields("103601", "000001000"), 10, D::DecodePaymentRemainderReply, 1171},
      {"opContante", E, [](Ctl& c) { return c.opContante(2); }, {"2"},
       Fields("103602", "000000000"), 10, D::DecodePaymentClosingReply, 1172},
      {"opAssegno", E, [=](Ctl& c) { return c.opAssegno(1, Cur("12.50")); }, {"1", "12.50"},
       Fields("104401", "000001250"), 10, D::DecodePaymentRemainderReply, 1175},
      {"opAssegno", E, [=](Ctl& c) { return c.opAssegno(1, Cur("20.05")); }, {"1", "20.05"},
       Fields("104401", "000002005"), 10, D::DecodePaymentClosingReply, 1176},
      {"opCredCC", E, [](Ctl& c) { return c.opCredCC(1, 3); }, {"1", "3"}, Fields("104501", "03"),
       10, D::DecodeCreditCardReply, 1045},
      {"opTicket", E, [=](Ctl& c) { return c.opTicket(3, 2, Cur("5.20")); }, {"3", "2", "5.20"},
       Fields("1046", "03", "02", "000000520"), 10, D::DecodeTicketRemainderReply, 1179},
      {"opTicket", E, [=](Ctl& c) { return c.opTicket(3, 2, Cur("7")); }, {"3", "2", "7"},
       Fields("1046", "03", "02", "000000700"), 10, D::DecodeTicketClosingReply, 1180},

      // Sale lines: 85 characters each.
      {"opReparto", E, [=](Ctl& c) { return c.opReparto(1, "PANE", Cur("1.50"), 2); },
       {"1", "PANE", "1.50", "2"},
       Fields("100301", kNoProduct, "PANE", Blanks(16), "0001000", "1", "000000150", "02"), 10,
       D::DecodeSaleLineReply, 1003},
      {"opReparto", L, [=](Ctl& c) { return c.opReparto(1, "PANE", Cur("1500"), 2); },
       {"1", "PANE", "1500", "2"},
       Fields("100301", kNoProduct, "PANE", Blanks(16), "0001000", "1", "000001500", "02"), 10,
       D::DecodeSaleLineReply, 1003},
      {"opRepartoQInt", E, [=](Ctl& c) { return c.opRepartoQInt(1, "LATTE", 12, Cur("0.99"), 3); },
       {"1", "LATTE", "12", "0.99", "3"},
       Fields("100401", kNoProduct, "LATTE", Blanks(15), "0012000", "1", "000000099", "03"), 10,
       D::DecodeSaleLineReply, 1004},
      {"opRepartoQDec", E, [=](Ctl& c) { return c.opRepartoQDec(1, "MELE", 1.5f, Cur("2.20"), 4); },
       {"1", "MELE", "1.5", "2.20", "4"},
       Fields("100501", kNoProduct, "MELE", Blanks(16), "0001500", "1", "000000220", "04"), 10,
       D::DecodeSaleLineReply, 1005},
      {"opRepartoReso", E, [=](Ctl& c) { return c.opRepartoReso(1, "PANE", Cur("1.50"), 2); },
       {"1", "PANE", "1.50", "2"},
       Fields("100901", kNoProduct, "PANE", Blanks(16), "0001000", "1", "000000150", "02"), 10,
       D::DecodeSaleLineReply, 1009},
      {"opRepartoResoQInt", E,
       [=](Ctl& c) { return c.opRepartoResoQInt(1, "LATTE", 3, Cur("0.99"), 3, 2); },
       {"1", "LATTE", "3", "0.99", "3", "2"},
       Fields("101001", kNoProduct, "LATTE", Blanks(15), "0003000", "2", "000000099", "03"), 10,
       D::DecodeSaleLineReply, 1010},
      {"opRepartoResoQDec", E,
       [=](Ctl& c) { return c.opRepartoResoQDec(1, "MELE", 0.25f, Cur("2.20"), 4); },
       {"1", "MELE", "0.25", "2.20", "4"},
       Fields("101101", kNoProduct, "MELE", Blanks(16), "0000250", "1", "000000220", "04"), 10,
       D::DecodeSaleLineReply, 1011},
      {"opRepartoStorno", E, [=](Ctl& c) { return c.opRepartoStorno(1, "PANE", Cur("1.50"), 2); },
       {"1", "PANE", "1.50", "2"},
       Fields("101501", kNoProduct, "PANE", Blanks(16), "0001000", "1", "000000150", "02"), 10,
       D::DecodeSaleLineReply, 1015},
      {"opRepartoStornoQInt", E,
       [=](Ctl& c) { return c.opRepartoStornoQInt(1, "LATTE", 12, Cur("0.99"), 3); },
       {"1", "LATTE", "12", "0.99", "3"},
       Fields("101601", kNoProduct, "LATTE", Blanks(15), "0012000", "1", "000000099", "03"), 10,
       D::DecodeSaleLineReply, 1016},
      {"opRepartoStornoQDec", E,
       [=](Ctl& c) { return c.opRepartoStornoQDec(1, " MELE ", 1.5f, Cur("2.20"), 4, 2, " ABC "); },
       {"1", " MELE ", "1.5", "2.20", "4", "2", " ABC "},
       Fields("101701", "ABC", Blanks(37), "MELE", Blanks(16), "0001500", "2", "000000220", "04"),
       10, D::DecodeSaleLineReply, 1017},

      // Programming.
      {"opProgDataOra", E, [](Ctl& c) { return c.opProgDataOra(6, 12, 1, 9, 5); },
       {"6", "12", "1", "9", "5"}, "40010612010905", 10, D::DecodeAckReply, 4001},
      {"opProgDataOra", E, [](Ctl& c) { return c.opProgDataOra(6, 12, 2001, 9, 5); },
       {"6", "12", "2001", "9", "5"}, Fields("4001", "06", "12", "2001", "09", "05"), 10,
       D::DecodeAckReply, 4001},
      {"opProgReparto", E,
       [=](Ctl& c) {
         return c.opProgReparto(2, "PANE", Cur("1.50"), Cur("2"), Cur("0"), 1, 1, Cur("100"), 3, 4,
                                "5");
       },
       {"2", "PANE", "1.50", "2", "0", "1", "1", "100", "3", "4", "5"},
       Fields("400202", "PANE", Blanks(16), "000000150", "000000200", "000000000", "1", "01",
              "000010000", "03", "04", "05"),
       10, D::DecodeAckReply, 4002},
      {"opProgTassa", E, [](Ctl& c) { return c.opProgTassa(1, 20.0f); }, {"1", "20"}, "4005012000",
       10, D::DecodeAckReply, 4005},
      {"opProgCredCC", E, [](Ctl& c) { return c.opProgCredCC(3, "  VISA  "); }, {"3", "  VISA  "},
       Fields("400703", "VISA", Blanks(16)), 10, D::DecodeAckReply, 4007},
      {"opProgTicket", E, [=](Ctl& c) { return c.opProgTicket(2, "PASTI", Cur("5.16")); },
       {"2", "PASTI", "5.16"}, Fields("401002", "PASTI", Blanks(15), "000000516"), 10,
       D::DecodeAckReply, 4010},
      {"opProgOpr", E, [](Ctl& c) { return c.opProgOpr(1, "MARIO", 12, 12.5f); },
       {"1", "MARIO", "12", "12.5"}, Fields("401301", "MARIO", Blanks(15), "0012", "1250"), 10,
       D::DecodeAckReply, 4013},
      {"opProgFlag", E, [](Ctl& c) { return c.opProgFlag(3, 1); }, {"3", "1"}, "4014031", 10,
       D::DecodeAckReply, 4014},
      {"opProgConf", E, [](Ctl& c) { return c.opProgConf(2, 45); }, {"2", "45"}, "401502045", 10,
       D::DecodeAckReply, 4015},
      {"opProgTipoRigaInt", E, [](Ctl& c) { return c.opProgTipoRigaInt(4, 2); }, {"4", "2"},
       "401642", 10, D::DecodeAckReply, 4016},
      {"opProgRigaInt", E, [](Ctl& c) { return c.opProgRigaInt(1, "NEGOZIO"); }, {"1", "NEGOZIO"},
       Fields("301601", "NEGOZIO", Blanks(20)), 10, D::DecodeAckReply, 3016},

      // Readings.
      {"opReadDataOra", E, [](Ctl& c) { return c.opReadDataOra(); }, {}, "4201", 5,
       D::DecodeDateTimeReply, 4201},
      {"opReadReparto", E, [](Ctl& c) { return c.opReadReparto(5); }, {"5"}, "420205", 10,
       D::DecodeRepartoTableReply, 4202},
      {"opReadTassa", E, [](Ctl& c) { return c.opReadTassa(1); }, {"1"}, "420501", 10,
       D::DecodeVatRateTableReply, 4205},
      {"opReadCredCC", E, [](Ctl& c) { return c.opReadCredCC(3); }, {"3"}, "420703", 10,
       D::DecodeCardTableReply, 4207},
      {"opReadTicket", E, [](Ctl& c) { return c.opReadTicket(2); }, {"2"}, "421002", 10,
       D::DecodeTicketTableReply, 4210},
      {"opReadOpr", E, [](Ctl& c) { return c.opReadOpr(4); }, {"4"}, "421304", 10,
       D::DecodeOperatorTableReply, 4213},
      {"opReadFlag", E, [](Ctl& c) { return c.opReadFlag(3); }, {"3"}, "421403", 10,
       D::DecodeFlagTableReply, 4214},
      {"opReadConf", E, [](Ctl& c) { return c.opReadConf(12); }, {"12"}, "421512", 10,
       D::DecodeConfTableReply, 4215},
      {"opReadTipoRigaInt", E, [](Ctl& c) { return c.opReadTipoRigaInt(3); }, {"3"}, "42163", 10,
       D::DecodeLineTypeTableReply, 4216},
      {"opReadTipoRigaInt", E, [](Ctl& c) { return c.opReadTipoRigaInt(12); }, {"12"}, "421612", 10,
       D::DecodeLineTypeTableReply, 4216},
      {"opReadMatrFisc", E, [](Ctl& c) { return c.opReadMatrFisc(1); }, {"1"}, "321701", 10,
       D::DecodeFiscalSerialReply, 3217},

      // Reports and closures.
      {"opXTotFinGior", E, [](Ctl& c) { return c.opXTotFinGior(7); }, {"7"}, "200107", 20,
       D::DecodeDocumentReply, 2001},
      {"opXTotRepGior", E, [](Ctl& c) { return c.opXTotRepGior(1, 2); }, {"1", "2"}, "20030102", 20,
       D::DecodeDocumentReply, 2003},
      {"opXTotOreGior", E, [](Ctl& c) { return c.opXTotOreGior(1); }, {"1"}, "200501", 20,
       D::DecodeDocumentReply, 2005},
      {"opXTotOprGior", E, [](Ctl& c) { return c.opXTotOprGior(1, 3); }, {"1", "3"}, "20060103", 20,
       D::DecodeDocumentReply, 2006},
      {"opXTotFinPer", E, [](Ctl& c) { return c.opXTotFinPer(1); }, {"1"}, "200701", 20,
       D::DecodeDocumentReply, 2007},
      {"opXTotRepPer", E, [](Ctl& c) { return c.opXTotRepPer(0, 0); }, {"0", "0"}, "20090000", 20,
       D::DecodeDocumentReply, 2009},
      {"opXTotOrePer", E, [](Ctl& c) { return c.opXTotOrePer(1); }, {"1"}, "201101", 20,
       D::DecodeDocumentReply, 2011},
      {"opXTotOprPer", E, [](Ctl& c) { return c.opXTotOprPer(1, 3); }, {"1", "3"}, "20120103", 20,
       D::DecodeDocumentReply, 2012},
      {"opZChiusuraFisc", E, [](Ctl& c) { return c.opZChiusuraFisc(1); }, {"1"}, "300101", 60,
       D::DecodeFiscalDocumentReply, 3001},
      {"opZTotFinGior", E, [](Ctl& c) { return c.opZTotFinGior(1); }, {"1"}, "300201", 40,
       D::DecodeZFinancialReply, 3002},
      {"opZTotOreGior", E, [](Ctl& c) { return c.opZTotOreGior(1); }, {"1"}, "300501", 40,
       D::DecodeDocumentReply, 3005},
      {"opZTotOprGior", E, [](Ctl& c) { return c.opZTotOprGior(1, 3); }, {"1", "3"}, "30060103", 40,
       D::DecodeDocumentReply, 3006},
      {"opZTotFinPer", E, [](Ctl& c) { return c.opZTotFinPer(1); }, {"1"}, "300701", 40,
       D::DecodeDocumentReply, 3007},
      {"opZTotOrePer", E, [](Ctl& c) { return c.opZTotOrePer(1); }, {"1"}, "301001", 40,
       D::DecodeDocumentReply, 3010},
      {"opZTotOprPer", E, [](Ctl& c) { return c.opZTotOprPer(12, 5); }, {"12", "5"}, "30111205", 40,
       D::DecodeDocumentReply, 3011},
      {"opZFiscMem", E, [](Ctl& c) { return c.opZFiscMem(1); }, {"1"}, "301501", 120,
       D::DecodeFiscalDocumentReply, 3015},
  };
  // clang-format on
  return rows;
}

}  // namespace tavirel::testing
