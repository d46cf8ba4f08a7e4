// Every operation: the exact command string it builds and the reply limit it
// allows, measured on the line in virtual time.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "ops/reply_samples.hpp"
#include "support/control_rig.hpp"
#include "tavirel/cp1252.hpp"
#include "tavirel/dispatch.hpp"

namespace tavirel {
namespace {

using namespace tavirel::testing;
using std::chrono::seconds;
using C = TavirelControl;

Currency Cur(const char* text) { return Currency::Parse(text); }

constexpr std::int32_t E = TVL_EUROSETTINGS_EURO;
constexpr std::int32_t L = TVL_EUROSETTINGS_LIRE;

struct GoldenRow {
  std::string op;
  std::int32_t mode;
  std::function<std::int16_t(C&)> call;
  std::string command;  // UTF-8
  int limit;            // seconds
};

const std::string kNoProduct = Zeros(40);

// Worked out field by field from the command layouts, not from the code.
const std::vector<GoldenRow>& GoldenRows() {
  static const std::vector<GoldenRow> rows = {
      // Non-fiscal documents, display, drawer and keyboard.
      {"opApriCassetto", E, [](C& c) { return c.opApriCassetto(1); }, "105001", 10},
      {"opAttivazioneEuro", E, [](C& c) { return c.opAttivazioneEuro(1); }, "301801", 10},
      {"opBloccoTastiera", E, [](C& c) { return c.opBloccoTastiera(1); }, "105501", 10},
      {"opSBloccoTastiera", E, [](C& c) { return c.opSBloccoTastiera(1); }, "105601", 10},
      {"opIniSNoFisc", E, [](C& c) { return c.opIniSNoFisc(1); }, "106301", 10},
      {"opDatiSNoFisc", E, [](C& c) { return c.opDatiSNoFisc(1, 2, ""); },
       Fields("106401", "2", Blanks(40)), 10},
      {"opEndSNoFisc", E, [](C& c) { return c.opEndSNoFisc(1).get<std::int16_t>(); }, "106501", 10},
      {"opDescAgg", E, [](C& c) { return c.opDescAgg(1, "  Caff\u00e8  "); },
       Fields("106601", "Caff\u00e8", Blanks(15)), 10},
      {"opRigheAgg", E, [](C& c) { return c.opRigheAgg(1, 2, ""); },
       Fields("106701", "2", Blanks(40)), 10},
      {"opMsgVisoreCortesia", E, [](C& c) { return c.opMsgVisoreCortesia(1, "SALVE"); },
       Fields("106201", "0", "SALVE", Blanks(35), "0"), 10},
      {"opMsgVisoreCortesia", E, [](C& c) { return c.opMsgVisoreCortesia(1, "SALVE", 0, 12); },
       Fields("106201", "0", "SALVE", Blanks(35), "12"), 10},
      {"opRistampaScontr", E, [](C& c) { return c.opRistampaScontr(1); }, "104701", 10},
      {"opRiavvioStampaDaFineCarta", E, [](C& c) { return c.opRiavvioStampaDaFineCarta(1); },
       "114901", 10},
      // Payments, subtotal and adjustments.
      {"opSubTot", E, [](C& c) { return c.opSubTot(1); }, "105101", 10},
      {"opSubTotAbbuono", E, [](C& c) { return c.opSubTotAbbuono(1, Cur("0.50")); },
       Fields("102401", "000000050"), 10},
      {"opSubTotPercPlus", E, [](C& c) { return c.opSubTotPercPlus(1, 10.0f); },
       Fields("102501", "1000"), 10},
      {"opSubTotPercMinus", E, [](C& c) { return c.opSubTotPercMinus(1, 5.5f); },
       Fields("102601", "0550"), 10},
      {"opCorr", E, [](C& c) { return c.opCorr(1); }, "102701", 10},
      {"opVoidTot", E, [](C& c) { return c.opVoidTot(1); }, "102801", 10},
      {"opContante", E, [](C& c) { return c.opContante(1, Cur("10")); },
       Fields("103601", "000001000"), 10},
      {"opContante", E, [](C& c) { return c.opContante(2); }, Fields("103602", "000000000"), 10},
      {"opAssegno", E, [](C& c) { return c.opAssegno(1, Cur("12.50")); },
       Fields("104401", "000001250"), 10},
      {"opCredCC", E, [](C& c) { return c.opCredCC(1, 3); }, Fields("104501", "03"), 10},
      {"opTicket", E, [](C& c) { return c.opTicket(3, 2, Cur("5.20")); },
       Fields("1046", "03", "02", "000000520"), 10},
      // Sale lines: 85 characters each.
      {"opReparto", E, [](C& c) { return c.opReparto(1, "PANE", Cur("1.50"), 2); },
       Fields("100301", kNoProduct, "PANE", Blanks(16), "0001000", "1", "000000150", "02"), 10},
      {"opReparto", L, [](C& c) { return c.opReparto(1, "PANE", Cur("1500"), 2); },
       Fields("100301", kNoProduct, "PANE", Blanks(16), "0001000", "1", "000001500", "02"), 10},
      {"opRepartoQInt", E, [](C& c) { return c.opRepartoQInt(1, "LATTE", 12, Cur("0.99"), 3); },
       Fields("100401", kNoProduct, "LATTE", Blanks(15), "0012000", "1", "000000099", "03"), 10},
      {"opRepartoQDec", E, [](C& c) { return c.opRepartoQDec(1, "MELE", 1.5f, Cur("2.20"), 4); },
       Fields("100501", kNoProduct, "MELE", Blanks(16), "0001500", "1", "000000220", "04"), 10},
      {"opRepartoReso", E, [](C& c) { return c.opRepartoReso(1, "PANE", Cur("1.50"), 2); },
       Fields("100901", kNoProduct, "PANE", Blanks(16), "0001000", "1", "000000150", "02"), 10},
      {"opRepartoResoQInt", E,
       [](C& c) { return c.opRepartoResoQInt(1, "LATTE", 3, Cur("0.99"), 3, 2); },
       Fields("101001", kNoProduct, "LATTE", Blanks(15), "0003000", "2", "000000099", "03"), 10},
      {"opRepartoResoQDec", E,
       [](C& c) { return c.opRepartoResoQDec(1, "MELE", 0.25f, Cur("2.20"), 4); },
       Fields("101101", kNoProduct, "MELE", Blanks(16), "0000250", "1", "000000220", "04"), 10},
      {"opRepartoStorno", E, [](C& c) { return c.opRepartoStorno(1, "PANE", Cur("1.50"), 2); },
       Fields("101501", kNoProduct, "PANE", Blanks(16), "0001000", "1", "000000150", "02"), 10},
      {"opRepartoStornoQInt", E,
       [](C& c) { return c.opRepartoStornoQInt(1, "LATTE", 12, Cur("0.99"), 3); },
       Fields("101601", kNoProduct, "LATTE", Blanks(15), "0012000", "1", "000000099", "03"), 10},
      {"opRepartoStornoQDec", E,
       [](C& c) { return c.opRepartoStornoQDec(1, " MELE ", 1.5f, Cur("2.20"), 4, 2, " ABC "); },
       Fields("101701", "ABC", Blanks(37), "MELE", Blanks(16), "0001500", "2", "000000220", "04"),
       10},
      // Programming.
      {"opProgDataOra", E, [](C& c) { return c.opProgDataOra(6, 12, 1, 9, 5); }, "40010612010905",
       10},
      {"opProgDataOra", E, [](C& c) { return c.opProgDataOra(6, 12, 2001, 9, 5); },
       Fields("4001", "06", "12", "2001", "09", "05"), 10},
      {"opProgReparto", E,
       [](C& c) {
         return c.opProgReparto(2, "PANE", Cur("1.50"), Cur("2"), Cur("0"), 1, 1, Cur("100"), 3, 4,
                                "5");
       },
       Fields("400202", "PANE", Blanks(16), "000000150", "000000200", "000000000", "1", "01",
              "000010000", "03", "04", "05"),
       10},
      {"opProgTassa", E, [](C& c) { return c.opProgTassa(1, 20.0f); }, "4005012000", 10},
      {"opProgCredCC", E, [](C& c) { return c.opProgCredCC(3, "  VISA  "); },
       Fields("400703", "VISA", Blanks(16)), 10},
      {"opProgTicket", E, [](C& c) { return c.opProgTicket(2, "PASTI", Cur("5.16")); },
       Fields("401002", "PASTI", Blanks(15), "000000516"), 10},
      {"opProgOpr", E, [](C& c) { return c.opProgOpr(1, "MARIO", 12, 12.5f); },
       Fields("401301", "MARIO", Blanks(15), "0012", "1250"), 10},
      {"opProgFlag", E, [](C& c) { return c.opProgFlag(3, 1); }, "4014031", 10},
      {"opProgConf", E, [](C& c) { return c.opProgConf(2, 45); }, "401502045", 10},
      {"opProgTipoRigaInt", E, [](C& c) { return c.opProgTipoRigaInt(4, 2); }, "401642", 10},
      {"opProgRigaInt", E, [](C& c) { return c.opProgRigaInt(1, "NEGOZIO"); },
       Fields("301601", "NEGOZIO", Blanks(20)), 10},
      // Readings.
      {"opReadDataOra", E, [](C& c) { return c.opReadDataOra(); }, "4201", 5},
      {"opReadReparto", E, [](C& c) { return c.opReadReparto(5); }, "420205", 10},
      {"opReadTassa", E, [](C& c) { return c.opReadTassa(1); }, "420501", 10},
      {"opReadCredCC", E, [](C& c) { return c.opReadCredCC(3); }, "420703", 10},
      {"opReadTicket", E, [](C& c) { return c.opReadTicket(2); }, "421002", 10},
      {"opReadOpr", E, [](C& c) { return c.opReadOpr(4); }, "421304", 10},
      {"opReadFlag", E, [](C& c) { return c.opReadFlag(3); }, "421403", 10},
      {"opReadConf", E, [](C& c) { return c.opReadConf(12); }, "421512", 10},
      {"opReadTipoRigaInt", E, [](C& c) { return c.opReadTipoRigaInt(3); }, "42163", 10},
      {"opReadTipoRigaInt", E, [](C& c) { return c.opReadTipoRigaInt(12); }, "421612", 10},
      {"opReadMatrFisc", E, [](C& c) { return c.opReadMatrFisc(1); }, "321701", 10},
      // Reports and closures.
      {"opXTotFinGior", E, [](C& c) { return c.opXTotFinGior(7); }, "200107", 20},
      {"opXTotRepGior", E, [](C& c) { return c.opXTotRepGior(1, 2); }, "20030102", 20},
      {"opXTotOreGior", E, [](C& c) { return c.opXTotOreGior(1); }, "200501", 20},
      {"opXTotOprGior", E, [](C& c) { return c.opXTotOprGior(1, 3); }, "20060103", 20},
      {"opXTotFinPer", E, [](C& c) { return c.opXTotFinPer(1); }, "200701", 20},
      {"opXTotRepPer", E, [](C& c) { return c.opXTotRepPer(0, 0); }, "20090000", 20},
      {"opXTotOrePer", E, [](C& c) { return c.opXTotOrePer(1); }, "201101", 20},
      {"opXTotOprPer", E, [](C& c) { return c.opXTotOprPer(1, 3); }, "20120103", 20},
      {"opZChiusuraFisc", E, [](C& c) { return c.opZChiusuraFisc(1); }, "300101", 60},
      {"opZTotFinGior", E, [](C& c) { return c.opZTotFinGior(1); }, "300201", 40},
      {"opZTotOreGior", E, [](C& c) { return c.opZTotOreGior(1); }, "300501", 40},
      {"opZTotOprGior", E, [](C& c) { return c.opZTotOprGior(1, 3); }, "30060103", 40},
      {"opZTotFinPer", E, [](C& c) { return c.opZTotFinPer(1); }, "300701", 40},
      {"opZTotOrePer", E, [](C& c) { return c.opZTotOrePer(1); }, "301001", 40},
      {"opZTotOprPer", E, [](C& c) { return c.opZTotOprPer(12, 5); }, "30111205", 40},
      {"opZFiscMem", E, [](C& c) { return c.opZFiscMem(1); }, "301501", 120},
  };
  return rows;
}

// The printer acknowledges at once and never replies: the call ends exactly
// `limit` seconds after the send, the clock being on a whole second.
TEST(Catalogue, EveryOperationBuildsItsCommandAndAllowsItsReplyLimit) {
  std::set<std::string> names;
  for (const GoldenRow& row : GoldenRows()) {
    SCOPED_TRACE(row.op + " " + row.command);
    names.insert(row.op);
    ControlRig rig(row.mode);
    rig.AlignToWholeSecond();
    rig.printer.Script({{std::chrono::milliseconds(0), std::string(1, ACK)}});
    const auto sent_at = rig.printer.Elapsed();

    EXPECT_EQ(row.call(*rig.control), OP_ERR_TIMEOUT);
    EXPECT_EQ(rig.printer.Elapsed() - sent_at, seconds(row.limit));
    EXPECT_EQ(rig.control->CurrentCommand(), row.command);
    const std::string bytes = cp1252::FromUtf8(row.command);
    const std::string written = rig.printer.TakeWritten();
    ASSERT_EQ(written.size(), bytes.size() + 7);
    EXPECT_EQ(written.substr(4, bytes.size()), bytes);
  }
  // Every operation of the interface has at least one row.
  std::size_t operations = 0;
  for (const MemberInfo& member : Members()) {
    if (member.name.starts_with("op")) {
      ++operations;
      EXPECT_TRUE(names.contains(std::string(member.name))) << member.name;
    }
  }
  EXPECT_EQ(operations, 67u);
  EXPECT_EQ(names.size(), 67u);
}

TEST(Catalogue, TheEdgeCaseLengths) {
  const std::map<std::string, std::size_t> lengths = {
      {"opReparto", 85}, {"opMsgVisoreCortesia", 48}, {"opProgReparto", 71},
      {"opProgOpr", 34}, {"opProgRigaInt", 33},       {"opDatiSNoFisc", 47},
      {"opTicket", 17},  {"opReadDataOra", 4}};
  for (const auto& [name, length] : lengths) {
    EXPECT_EQ(NominalCommandLength(name), length) << name;
  }
  EXPECT_EQ(NominalCommandLength("LastImp"), std::nullopt);
}

}  // namespace
}  // namespace tavirel
