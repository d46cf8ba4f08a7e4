// The host's side of one control: OPs through the dispatch interface, FPError
// events per OP, the trace and the elapsed-time indicator fed by the hooks,
// against a printer scripted in virtual time.
#include "control_host.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "cli_errors.hpp"
#include "support/scripted_printer.hpp"
#include "tavirel/errors.hpp"

namespace tavirel::cli {
namespace {

using std::chrono::milliseconds;
using tavirel::testing::ReplyFrame;
using tavirel::testing::ScriptedPrinter;

class ControlHostTest : public ::testing::Test {
 protected:
  std::unique_ptr<ControlHost> MakeHost(bool trace = false, bool indicator = false,
                                        bool allow_malformed = false) {
    control_ = printer_.MakeControl();
    HostOptions options;
    options.trace = trace;
    options.indicator = indicator;
    options.allow_malformed = allow_malformed;
    options.clock = &printer_.clock();
    auto host = std::make_unique<ControlHost>(*control_, diagnostics_, options);
    control_->Port().PortOpen(true);  // no probe: the script starts with the first OP
    return host;
  }

  ScriptedPrinter printer_;
  std::unique_ptr<TavirelControl> control_;
  std::ostringstream diagnostics_;
};

TEST_F(ControlHostTest, AnOperationGivesItsResultCommandAndRecord) {
  auto host = MakeHost();
  printer_.AnswerPayload("105101000000567000000000");
  const OpOutcome outcome = host->Run(ParseOpText("opSubTot 1"));
  EXPECT_TRUE(outcome.operation);
  EXPECT_EQ(outcome.result, OP_OK);
  EXPECT_EQ(outcome.command, "105101");
  EXPECT_EQ(outcome.nominal_length, 6u);
  EXPECT_TRUE(outcome.events.empty());
  ASSERT_EQ(outcome.last.size(), 56u);
  EXPECT_EQ(outcome.last[25], Variant(Currency::FromUnits(567)));  // LastSubTotFisc
  EXPECT_EQ(outcome.description, "");
}

TEST_F(ControlHostTest, EventsAreThoseOfTheOpOnly) {
  auto host = MakeHost();
  printer_.Answer(tavirel::testing::ErrorFrame(23));
  const OpOutcome refused = host->Run(ParseOpText("opContante 1"));
  EXPECT_EQ(refused.result, EERR);
  EXPECT_EQ(refused.events, (std::vector<FpEvent>{{-1, 23}}));
  EXPECT_EQ(refused.description, "CHIUDI SCONTRINO");
  printer_.AnswerPayload("105101000000567000000000");
  EXPECT_TRUE(host->Run(ParseOpText("opSubTot 1")).events.empty());
  printer_.Silent();
  const OpOutcome timeout = host->Run(ParseOpText("opSubTot 1"));
  EXPECT_EQ(timeout.result, OP_ERR_TIMEOUT);
  EXPECT_EQ(timeout.events, (std::vector<FpEvent>{{3, 0}}));
  EXPECT_EQ(timeout.description, "Timeout in attesa risposta");
}

TEST_F(ControlHostTest, PropertiesReadAndSetWithoutTheLine) {
  auto host = MakeHost();
  const OpOutcome set = host->Run(ParseOpText("EuroSettings 7"));
  EXPECT_FALSE(set.operation);
  EXPECT_EQ(set.kind, MemberKind::PropertyPut);
  EXPECT_EQ(set.value, Variant(std::int32_t{7}));
  EXPECT_EQ(control_->EuroSettings(), 7);
  EXPECT_EQ(host->Run(ParseOpText("Revision")).value, Variant(std::int16_t{20}));
  EXPECT_EQ(host->Run(ParseOpText("GetLastErrorDescription 4 0")).value,
            Variant("Checksum errato"));
  EXPECT_EQ(printer_.Written(), "");
}

TEST_F(ControlHostTest, ErrorsOfTheCallPassThrough) {
  auto host = MakeHost();
  EXPECT_THROW(host->Run(ParseOpText("opSubTot")), DispatchError);
  EXPECT_THROW(host->Run(ParseOpText("opContante 1 abc")), ConversionError);
  EXPECT_THROW(host->Run(ParseOpText("opNothing")), DispatchError);
  EXPECT_EQ(printer_.Written(), "");
}

TEST_F(ControlHostTest, AnArgumentThatDoesNotFitIsRefusedBeforeAnythingIsSent) {
  auto host = MakeHost();
  const std::pair<const char*, const char*> cases[] = {
      {"opApriCassetto 123",
       "opApriCassetto: not sent, an argument does not fit its field: CodOpr \"123\" needs 3 "
       "digits"},
      {"opReparto 1 PANE -1.50 2", "Prezzo \"-1.50\" is negative"},
      {"opReparto 1 PANE 10000000 2", "at most 9999999.99 euro"},
      {"opReparto 1 \"PANE DI CASA FRESCO DI GIORNATA\" 1.50 2",
       "DescProd \"PANE DI CASA FRESCO DI GIORNATA\" is 31 characters"},
      {"opDescAgg 1 \"PANE 🍞\"", "no Windows-1252 byte"},
      {"opReparto 100 PANE -1 2", "arguments do not fit their fields: CodOpr \"100\""},
  };
  for (const auto& [op, message] : cases) {
    try {
      host->Run(ParseOpText(op));
      ADD_FAILURE() << op;
    } catch (const UsageError& e) {
      const std::string what = e.what();
      EXPECT_NE(what.find(message), std::string::npos) << what;
      EXPECT_NE(what.find("--allow-malformed"), std::string::npos) << what;
    }
  }
  EXPECT_EQ(printer_.Written(), "");
}

TEST_F(ControlHostTest, AllowedAWideArgumentIsSentAsItIsAndWarned) {
  auto host = MakeHost(false, false, true);
  printer_.AnswerPayload("1050123");
  const OpOutcome outcome = host->Run(ParseOpText("opApriCassetto 123"));
  EXPECT_EQ(outcome.command, "1050123");
  EXPECT_NE(printer_.Written().find("1050123"), std::string::npos);
  EXPECT_TRUE(LengthWarning(outcome));
}

TEST_F(ControlHostTest, TheIndicatorRunsWhileTheReplyIsLateAndIsClearedAtTheEnd) {
  auto host = MakeHost(false, true);
  printer_.Script(
      {{milliseconds(0), "\x06"}, {milliseconds(3500), ReplyFrame("105101000000567000000000")}});
  EXPECT_EQ(host->Run(ParseOpText("opSubTot 1")).result, OP_OK);
  const std::string text = diagnostics_.str();
  EXPECT_NE(text.find("opSubTot: waiting for the register, 1 s"), std::string::npos) << text;
  EXPECT_NE(text.find("opSubTot: waiting for the register, 3 s"), std::string::npos) << text;
  EXPECT_EQ(text.find("4 s"), std::string::npos) << text;
  EXPECT_EQ(text.substr(text.size() - 4), "\r\x1b[K");
}

TEST_F(ControlHostTest, AQuickReplyShowsNoIndicator) {
  auto host = MakeHost(false, true);
  EXPECT_TRUE(control_->Hooks().yield);
  printer_.Script(
      {{milliseconds(0), "\x06"}, {milliseconds(900), ReplyFrame("105101000000567000000000")}});
  host->Run(ParseOpText("opSubTot 1"));
  EXPECT_EQ(diagnostics_.str(), "");
}

TEST_F(ControlHostTest, TheTraceShowsEveryByteOfTheOp) {
  auto host = MakeHost(true);
  // No indicator, no yield handler: the control's waits may sleep.
  EXPECT_FALSE(control_->Hooks().yield);
  printer_.AnswerPayload("105101000000567000000000");
  host->Run(ParseOpText("opSubTot 1"));
  const std::string text = diagnostics_.str();
  EXPECT_NE(text.find("TX request counter 00, command 1051"), std::string::npos) << text;
  EXPECT_NE(text.find("RX ACK"), std::string::npos) << text;
  EXPECT_NE(text.find("RX reply counter 01, code 1051, checksum"), std::string::npos) << text;
  EXPECT_NE(text.find("TX ACK"), std::string::npos) << text;
}

}  // namespace
}  // namespace tavirel::cli
