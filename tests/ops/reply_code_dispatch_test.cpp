// Payments and the subtotal choose their decoder by the reply code.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ops/reply_samples.hpp"
#include "support/control_rig.hpp"
#include "tavirel/errors.hpp"

namespace tavirel {
namespace {

using namespace tavirel::testing;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

using Call = std::function<std::int16_t(TavirelControl&)>;

const Call kContante = [](TavirelControl& c) { return c.opContante(1, Currency::FromUnits(125)); };
const Call kAssegno = [](TavirelControl& c) { return c.opAssegno(1, Currency::FromUnits(125)); };
const Call kTicket = [](TavirelControl& c) { return c.opTicket(3, 2, Currency::Parse("5.20")); };
const Call kSubTot = [](TavirelControl& c) { return c.opSubTot(1); };

TEST(ReplyCodeDispatch, TheTwoCodesOfEachOperationChooseTheirDecoderAnyOtherOnlySetsTheCode) {
  struct Row {
    std::string op;
    Call call;
    ReplySample reply;
    bool decoded;  // false: only LastOPCode is set
  };
  const std::vector<Row> rows = {
      {"opContante", kContante, SampleOf(Decoder::DecodePaymentRemainderReply), true},
      {"opContante", kContante, SampleOf(Decoder::DecodePaymentClosingReply), true},
      {"opContante", kContante, WithCode(SampleOf(Decoder::DecodePaymentRemainderReply), 1175),
       false},
      {"opContante", kContante, WithCode(SampleOf(Decoder::DecodePaymentClosingReply), 1999),
       false},
      {"opAssegno", kAssegno, WithCode(SampleOf(Decoder::DecodePaymentRemainderReply), 1175), true},
      {"opAssegno", kAssegno, WithCode(SampleOf(Decoder::DecodePaymentClosingReply), 1176), true},
      {"opAssegno", kAssegno, WithCode(SampleOf(Decoder::DecodePaymentClosingReply), 1172), false},
      {"opTicket", kTicket, SampleOf(Decoder::DecodeTicketRemainderReply), true},
      {"opTicket", kTicket, SampleOf(Decoder::DecodeTicketClosingReply), true},
      {"opTicket", kTicket, WithCode(SampleOf(Decoder::DecodeTicketRemainderReply), 1171), false},
      {"opSubTot", kSubTot, SampleOf(Decoder::DecodeSubtotalReply), true},
      {"opSubTot", kSubTot, SampleOf(Decoder::DecodeSubtotalRemainderReply), true},
      {"opSubTot", kSubTot, WithCode(SampleOf(Decoder::DecodeSubtotalReply), 1171), false},
      // A payload shorter than four characters is read whole as the code.
      {"opSubTot", kSubTot, ReplySample{Decoder::None, "", 2, "12", {}}, false},
  };
  ControlRig rig;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.op + " answered " + row.reply.payload);
    rig.printer.AnswerPayload(row.reply.payload);
    EXPECT_EQ(row.call(*rig.control), OP_OK);
    const Expected code_only = {{"LastOPCode", I2(std::stoi(row.reply.payload.substr(0, 4)))}};
    EXPECT_THAT(RecordDifferences(*rig.control, row.decoded ? row.reply.values : code_only),
                IsEmpty());
  }
  EXPECT_THAT(rig.events, IsEmpty());
}

TEST(ReplyCodeDispatch, TheWorkedCashPaymentAndItsOneLongerAndOneShorterVariants) {
  const std::string payload = Fields("1172", "01", "000012500", "000002500", "3112012359", "0042");
  ASSERT_EQ(payload.size(), 38u);
  ControlRig rig;
  rig.printer.AnswerPayload(payload);
  ASSERT_EQ(rig.control->opContante(1, Currency::FromUnits(125)), OP_OK);
  EXPECT_EQ(rig.control->LastOPCode(), 1172);
  EXPECT_EQ(rig.control->LastOP(), 1);
  EXPECT_EQ(rig.control->LastImp(), Currency::FromUnits(12500));
  EXPECT_EQ(rig.control->LastRest(), Currency::FromUnits(2500));
  EXPECT_EQ(rig.control->LastGG(), 31);
  EXPECT_EQ(rig.control->LastMM(), 12);
  EXPECT_EQ(rig.control->LastAA(), 1);
  EXPECT_EQ(rig.control->LastHH(), 23);
  EXPECT_EQ(rig.control->LastMin(), 59);
  EXPECT_EQ(rig.control->LastDate().Parts(), (DateParts{2001, 12, 31, 23, 59, 0}));
  EXPECT_EQ(rig.control->LastNumSF(), 42);
  EXPECT_EQ(rig.control->LastRim(), Currency());

  for (const std::string& variant : {payload + "7", payload.substr(0, 37)}) {
    rig.printer.AnswerPayload(variant);
    EXPECT_EQ(rig.control->opContante(1, Currency::FromUnits(125)), OP_OK);
    EXPECT_THAT(RecordDifferences(*rig.control, {{"LastOPCode", I2(1172)}}), IsEmpty())
        << variant.size() << " characters";
  }
}

TEST(ReplyCodeDispatch, ACodeThatDoesNotReadIsAnErrorOfTheCall) {
  const std::vector<std::pair<std::string, Call>> ops = {{"opContante", kContante},
                                                         {"opAssegno", kAssegno},
                                                         {"opTicket", kTicket},
                                                         {"opSubTot", kSubTot}};
  ControlRig rig;
  for (const auto& [name, call] : ops) {
    for (const std::string payload : {"AB7101000001000000000500", "", "  "}) {
      SCOPED_TRACE(name + " answered \"" + payload + "\"");
      rig.printer.AnswerPayload(payload);
      try {
        call(*rig.control);
        ADD_FAILURE() << "no ConversionError";
      } catch (const ConversionError& e) {
        EXPECT_THAT(e.what(), HasSubstr(name));
        EXPECT_THAT(e.what(), HasSubstr("\"" + payload.substr(0, 4) + "\""));
      }
      EXPECT_THAT(RecordDifferences(*rig.control, {}), IsEmpty());
    }
  }
  EXPECT_THAT(rig.events, IsEmpty());
}

TEST(ReplyCodeDispatch, AFieldOfTheChosenDecoderThatDoesNotReadKeepsTheFieldsBeforeIt) {
  ControlRig rig;
  rig.printer.AnswerPayload(Fields("1171", "01", "000001000", "0000005O0"));
  try {
    rig.control->opContante(1, Currency::FromUnits(10));
    ADD_FAILURE() << "no ConversionError";
  } catch (const ConversionError& e) {
    EXPECT_THAT(e.what(), HasSubstr("DecodePaymentRemainderReply"));
    EXPECT_THAT(e.what(), HasSubstr("LastRim"));
    EXPECT_THAT(e.what(), HasSubstr("\"0000005O0\""));
  }
  EXPECT_FALSE(rig.control->Busy());
  EXPECT_THAT(
      RecordDifferences(*rig.control,
                        {{"LastOPCode", I2(1171)}, {"LastOP", I2(1)}, {"LastImp", Cy(1000)}}),
      IsEmpty());
  EXPECT_THAT(rig.events, IsEmpty());
}

}  // namespace
}  // namespace tavirel
