// The readable form of an OP's outcome, its warnings, and text from the line
// made safe for a terminal.
#include <gtest/gtest.h>

#include "../support/op_outcomes.hpp"
#include "human_output.hpp"
#include "receipt_watch.hpp"
#include "tavirel/result_codes.hpp"
#include "tavirel/result_record.hpp"
#include "terminal_text.hpp"

namespace tavirel::cli {
namespace {

using testing::Operation;
using testing::Record;

TEST(ChangedValues, OnlyWhatDiffersFromTheReset) {
  EXPECT_TRUE(ChangedValues(Record({})).empty());
  const auto changed = ChangedValues(Record({{Prop::LastOPCode, std::int16_t{1172}},
                                             {Prop::LastRest, Currency::FromUnits(350)},
                                             {Prop::LastGG, std::int16_t{7}},
                                             {Prop::LastDescOpr, std::string("MARIA")}}));
  // LastDate is composed from LastGG, so it changes with it.
  const std::vector<std::string> expected{"LastOPCode=1172", "LastGG=7",
                                          "LastDate=1999-12-07T00:00:00", "LastRest=350",
                                          "LastDescOpr=\"MARIA\""};
  EXPECT_EQ(changed, expected);
}

TEST(HumanLine, ResultNameNumberTextAndValues) {
  EXPECT_EQ(HumanLine(Operation("opSubTot", OP_OK,
                                Record({{Prop::LastOPCode, std::int16_t{1051}},
                                        {Prop::LastSubTotFisc, Currency::FromUnits(567)}}))),
            "opSubTot: OP_OK (0)  LastOPCode=1051 LastSubTotFisc=567");
  OpOutcome refused = Operation("opContante", EERR, Record({{Prop::LastEERR, std::int16_t{23}}}));
  refused.description = "CHIUDI SCONTRINO";
  EXPECT_EQ(HumanLine(refused),
            "opContante: EERR (-1) printer error 23 \"CHIUDI SCONTRINO\"  LastEERR=23");
  OpOutcome timeout = Operation("opSubTot", OP_ERR_TIMEOUT, Record({}));
  timeout.description = "Timeout in attesa risposta";
  EXPECT_EQ(HumanLine(timeout), "opSubTot: OP_ERR_TIMEOUT (3) \"Timeout in attesa risposta\"");
}

TEST(HumanLine, PropertiesAndMethods) {
  OpOutcome outcome;
  outcome.member = "Settings";
  outcome.kind = MemberKind::PropertyGet;
  outcome.value = Variant("9600,n,8,1");
  EXPECT_EQ(HumanLine(outcome), "Settings = \"9600,n,8,1\"");
  outcome.member = "EuroSettings";
  outcome.kind = MemberKind::PropertyPut;
  outcome.value = Variant(std::int32_t{7});
  EXPECT_EQ(HumanLine(outcome), "EuroSettings := 7");
  outcome.member = "PortClose";
  outcome.kind = MemberKind::Method;
  outcome.value = Variant();
  EXPECT_EQ(HumanLine(outcome), "PortClose done");
}

TEST(LengthWarning, OnlyWhenTheCommandDiffersFromItsLayout) {
  OpOutcome outcome = Operation("opApriCassetto", OP_OK, {});
  outcome.nominal_length = 6;
  outcome.command = "105001";
  EXPECT_FALSE(LengthWarning(outcome));
  outcome.member = "opDescAgg";
  outcome.nominal_length = 26;
  outcome.command = "106601CAFFÈ               ";  // 26 characters, 27 bytes of UTF-8
  EXPECT_FALSE(LengthWarning(outcome));
}

TEST(LengthWarning, SaysSentOnlyWhenTheRequestWentOut) {
  const std::pair<std::int16_t, const char*> cases[] = {
      {OP_OK, "; it was sent as it is"},
      {EERR, "; it was sent as it is"},
      {OP_ERR_TIMEOUT, "; it was sent as it is"},
      {OP_ERR_CHKS, "; it was sent as it is"},
      {OP_ERR_EUROLOCK,
       "; nothing was sent: the currency mode is neither lire nor euro; choose it with --mode lire "
       "or --mode euro"},
      {OP_ERR_PORTCLOSE, "; nothing was sent: the port is not open"},
      {OP_ERR_NOCOLL, "; nothing was sent: the register is not connected (CTS is low)"},
  };
  for (const auto& [result, ending] : cases) {
    OpOutcome outcome = Operation("opApriCassetto", result, {});
    outcome.nominal_length = 6;
    outcome.command = "1050123";
    const auto warning = LengthWarning(outcome);
    ASSERT_TRUE(warning);
    EXPECT_EQ(*warning,
              std::string("warning: opApriCassetto: the command string has 7 characters where its "
                          "layout has 6 (an argument is wider than its field)") +
                  ending)
        << result;
  }
}

TEST(TerminalText, ControlCharactersFromTheLineAreEscaped) {
  const std::pair<std::string, const char*> cases[] = {
      {"PANE DI CASA", "PANE DI CASA"},
      {"CAFFÈ € 1,50", "CAFFÈ € 1,50"},
      {"\x1b]0;pwned\x07"
       "CARTA",
       "\\x1B]0;pwned\\x07CARTA"},
      {"\x1b[2J", "\\x1B[2J"},
      {std::string("a\0b\nc\x7f", 6), "a\\x00b\\x0Ac\\x7F"},
      {"\xC2\x9B"
       "31m",
       "\\u009B31m"},  // C1 CSI, as UTF-8
      {"\x9B"
       "31m",
       "\\x9B31m"},              // a raw CSI byte, not UTF-8
      {"\xC8", "\\xC8"},         // a Windows-1252 byte
      {"\xC2\xA0", "\xC2\xA0"},  // U+00A0 is text
  };
  for (const auto& [text, safe] : cases) {
    EXPECT_EQ(TerminalSafe(text), safe);
    for (unsigned char c : TerminalSafe(text)) EXPECT_TRUE(c >= 0x20 && c != 0x7F && c != 0x9B);
  }
  EXPECT_EQ(QuotedText("DI \"CASA\" A\\B\x1b"), "\"DI \\\"CASA\\\" A\\\\B\\x1B\"");
}

TEST(HumanLine, ATextFromTheLineCannotReachTheTerminalRaw) {
  OpOutcome outcome = Operation("opReadCredCC", OP_OK,
                                Record({{Prop::LastOPCode, std::int16_t{4207}},
                                        {Prop::LastDescCartaCC, std::string("\x1b]0;x\x07VISA")}}));
  const std::string line = HumanLine(outcome);
  EXPECT_EQ(line.find('\x1b'), std::string::npos) << line;
  EXPECT_NE(line.find("LastDescCartaCC=\"\\x1B]0;x\\x07VISA\""), std::string::npos) << line;
}

struct ReceiptCase {
  std::vector<std::pair<const char*, std::int16_t>> ops;  // member, result
  std::int16_t payment_code;                              // LastOPCode of a payment's reply
  const char* warning;                                    // the start of the warning; "" for none
};

TEST(ReceiptWatch, WarnsWhenTheLastFiscalOperationLeftAReceiptOpen) {
  const ReceiptCase cases[] = {
      {{}, 0, ""},
      {{{"opReadDataOra", OP_OK}, {"opXTotFinGior", OP_OK}}, 0, ""},
      {{{"opReparto", OP_OK}}, 0, "warning: a receipt is still open: opReparto was"},
      {{{"opReparto", OP_OK}, {"opSubTot", OP_OK}},
       0,
       "warning: a receipt is still open: opSubTot"},
      {{{"opReparto", OP_OK}, {"opContante", OP_OK}}, OP_CODE_CONT_REST, ""},
      {{{"opReparto", OP_OK}, {"opContante", OP_OK}},
       OP_CODE_CONT_RIM,
       "warning: a receipt is still open: opContante"},
      {{{"opReparto", OP_OK}, {"opAssegno", OP_OK}}, OP_CODE_ASSEG_REST, ""},
      {{{"opReparto", OP_OK}, {"opTicket", OP_OK}}, OP_CODE_TICKET_RIM, "warning: a receipt is"},
      {{{"opRepartoQDec", OP_OK}, {"opCredCC", OP_OK}}, 0, ""},
      {{{"opReparto", OP_OK}, {"opVoidTot", OP_OK}}, 0, ""},
      {{{"opReparto", OP_OK}, {"opVoidTot", EERR}},
       0,
       "warning: a receipt is still open: opReparto"},
      {{{"opReparto", OP_OK}, {"opContante", OP_ERR_TIMEOUT}},
       0,
       "warning: a receipt may still be open: opContante got no usable answer (OP_ERR_TIMEOUT)"},
      {{{"opReparto", OP_ERR_CHKS}}, 0, "warning: a receipt may still be open: opReparto"},
      {{{"opReparto", EERR}}, 0, ""},
      {{{"opReparto", OP_ERR_EUROLOCK}}, 0, ""},
      {{{"opContante", OP_ERR_TIMEOUT}}, 0, ""},  // no receipt was open for it to leave open
      {{{"opReparto", OP_OK}, {"opContante", OP_OK}, {"opApriCassetto", OP_OK}},
       OP_CODE_CONT_REST,
       ""},
  };
  for (const ReceiptCase& c : cases) {
    ReceiptWatch watch;
    std::string ops;
    for (const auto& [member, result] : c.ops) {
      OpOutcome outcome = Operation(member, result, Record({}));
      const bool payment = std::string_view(member).find("opContante") == 0 ||
                           std::string_view(member).find("opAssegno") == 0 ||
                           std::string_view(member).find("opTicket") == 0;
      if (payment) outcome.last = Record({{Prop::LastOPCode, c.payment_code}});
      watch.Note(outcome);
      ops += std::string(member) + " ";
    }
    const auto warning = watch.Warning();
    if (*c.warning == '\0') {
      EXPECT_FALSE(warning) << ops << *warning;
    } else {
      ASSERT_TRUE(warning) << ops;
      EXPECT_EQ(warning->rfind(c.warning, 0), 0u) << ops << *warning;
    }
  }
}

TEST(ReceiptWatch, AnOperationWhoseWaitWasCancelledMayHaveLeftAReceiptOpen) {
  const std::pair<std::vector<const char*>, const char*> cases[] = {
      {{"opReparto"},
       "warning: a receipt may still be open: opReparto got no usable answer (its "
       "wait was cancelled); the register may have carried it out"},
      {{"opContante"}, ""},  // nothing was open: a payment cannot open a receipt
      {{"opReadDataOra"}, ""},
  };
  for (const auto& [lost, warning] : cases) {
    ReceiptWatch watch;
    for (const char* member : lost) watch.NoteLost(member);
    EXPECT_EQ(watch.Warning().value_or(""), warning) << lost.front();
  }
  ReceiptWatch open;
  open.Note(Operation("opReparto", OP_OK, Record({})));
  open.NoteLost("opContante");
  EXPECT_EQ(open.Warning()->rfind("warning: a receipt may still be open: opContante", 0), 0u);
}

}  // namespace
}  // namespace tavirel::cli
