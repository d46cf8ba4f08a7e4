// The steps every operation runs: fields, CurrentCommand, reset, exchange,
// decode or LastEERR; and the currency lock on amounts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>

#include "ops/reply_samples.hpp"
#include "support/control_rig.hpp"
#include "tavirel/errors.hpp"

namespace tavirel {
namespace {

using namespace tavirel::testing;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using C = TavirelControl;
using Call = std::function<std::int16_t(C&)>;

const Currency kTen = Currency::FromUnits(10);

TEST(CurrencyLock, AnAmountInAModeOtherThanLireOrEuroIsNeverSent) {
  const std::vector<std::pair<std::string, Call>> calls = {
      {"opContante", [](C& c) { return c.opContante(1, kTen); }},
      {"opContante without an amount", [](C& c) { return c.opContante(1); }},
      {"opAssegno", [](C& c) { return c.opAssegno(1, kTen); }},
      {"opTicket", [](C& c) { return c.opTicket(1, 2, kTen); }},
      {"opSubTotAbbuono", [](C& c) { return c.opSubTotAbbuono(1, kTen); }},
      {"opReparto", [](C& c) { return c.opReparto(1, "PANE", kTen, 2); }},
      {"opRepartoStornoQDec", [](C& c) { return c.opRepartoStornoQDec(1, "PANE", 1.5f, kTen, 2); }},
      {"opProgReparto",
       [](C& c) { return c.opProgReparto(2, "PANE", kTen, kTen, kTen, 1, 1, kTen, 0, 0, "1"); }},
      {"opProgTicket", [](C& c) { return c.opProgTicket(2, "PASTI", kTen); }},
  };
  for (std::int32_t mode : {7, 3, -1}) {
    ControlRig rig(mode);
    for (const auto& [name, call] : calls) {
      SCOPED_TRACE(name + " in mode " + std::to_string(mode));
      rig.events.clear();
      EXPECT_EQ(call(*rig.control), OP_ERR_EUROLOCK);
      EXPECT_THAT(rig.events, ElementsAre(FPErrorArgs{OP_ERR_EUROLOCK, 0}));
      EXPECT_THAT(RecordDifferences(*rig.control, {}), IsEmpty());
      EXPECT_EQ(rig.control->FrameCounter(), 2);
    }
    EXPECT_EQ(rig.printer.TakeWritten(), "");
  }
}

TEST(CurrencyLock, TheLockIsFoundBeforeAClosedPort) {
  ControlRig rig(7);
  rig.control->PortClose();
  EXPECT_EQ(rig.control->opContante(1, kTen), OP_ERR_EUROLOCK);
  EXPECT_EQ(rig.control->opSubTot(1), OP_ERR_PORTCLOSE);
  EXPECT_THAT(rig.events,
              ElementsAre(FPErrorArgs{OP_ERR_EUROLOCK, 0}, FPErrorArgs{OP_ERR_PORTCLOSE, 0}));
}

TEST(CurrencyLock, OperationsWithoutAnAmountStillGoOutInMode7) {
  ControlRig rig(7);
  rig.printer.AnswerPayload(SampleOf(Decoder::DecodeSubtotalReply).payload);
  EXPECT_EQ(rig.control->opSubTot(1), OP_OK);
  rig.printer.AnswerPayload("400501");
  EXPECT_EQ(rig.control->opProgTassa(1, 20.0f), OP_OK);  // a percentage is not an amount
  rig.printer.AnswerPayload(SampleOf(Decoder::DecodeRepartoTableReply).payload);
  EXPECT_EQ(rig.control->opReadReparto(5), OP_OK);
  EXPECT_THAT(RecordDifferences(*rig.control, SampleOf(Decoder::DecodeRepartoTableReply).values),
              IsEmpty());
  EXPECT_THAT(rig.events, IsEmpty());
  const std::string written = rig.printer.TakeWritten();
  EXPECT_NE(written.find("02E105101"), std::string::npos);
  EXPECT_NE(written.find("03E4005012000"), std::string::npos);
  EXPECT_NE(written.find("02E420205"), std::string::npos);
}

TEST(CurrencyLock, ModeZeroBlocksEveryOperation) {
  ControlRig rig(TVL_EUROSETTINGS_UNKNOWN);
  const std::vector<Call> calls = {
      [](C& c) { return c.opSubTot(1); },
      [](C& c) { return c.opReadDataOra(); },
      [](C& c) { return c.opZChiusuraFisc(1); },
      [](C& c) { return c.opContante(1, kTen); },
      [](C& c) { return c.opEndSNoFisc(1).get<std::int16_t>(); },
  };
  for (const Call& call : calls) EXPECT_EQ(call(*rig.control), OP_ERR_EUROLOCK);
  EXPECT_EQ(rig.events, std::vector<FPErrorArgs>(calls.size(), {OP_ERR_EUROLOCK, 0}));
  EXPECT_EQ(rig.printer.TakeWritten(), "");
  EXPECT_EQ(rig.control->FrameCounter(), 2);
}

class OperationSteps : public ::testing::Test {
 protected:
  // A subtotal that filled the record, for the next operation to replace.
  void SetUp() override {
    rig_.printer.AnswerPayload(kSubtotal.payload);
    ASSERT_EQ(rig_.control->opSubTot(1), OP_OK);
    rig_.printer.TakeWritten();
  }
  const ReplySample& kSubtotal = SampleOf(Decoder::DecodeSubtotalReply);
  ControlRig rig_;
};

TEST_F(OperationSteps, AFieldThatCannotBeMadeLeavesTheRecordAndTheCommandOfBefore) {
  for (float perc :
       {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
    EXPECT_THROW(rig_.control->opSubTotPercPlus(1, perc), ConversionError);
    EXPECT_THAT(RecordDifferences(*rig_.control, kSubtotal.values), IsEmpty());
    EXPECT_EQ(rig_.control->CurrentCommand(), "105101");
  }
  EXPECT_EQ(rig_.printer.TakeWritten(), "");
  EXPECT_THAT(rig_.events, IsEmpty());
  EXPECT_FALSE(rig_.control->Busy());
}

TEST_F(OperationSteps, AfterATimeoutEveryPropertyHoldsItsDefault) {
  rig_.printer.Silent();
  EXPECT_EQ(rig_.control->opSubTot(1), OP_ERR_TIMEOUT);
  EXPECT_THAT(RecordDifferences(*rig_.control, {}), IsEmpty());
  EXPECT_THAT(rig_.events, ElementsAre(FPErrorArgs{OP_ERR_TIMEOUT, 0}));
}

TEST_F(OperationSteps, AfterAnErrorReplyOnlyLastEERRDiffersFromTheDefaults) {
  // When the event is raised the new command is in place and the record is
  // already reset; the printer's number comes into LastEERR afterwards.
  std::string command_seen;
  std::vector<std::string> record_seen;
  rig_.on_event = [&](std::int16_t&, std::int32_t&) {
    command_seen = rig_.control->CurrentCommand();
    record_seen = RecordDifferences(*rig_.control, {});
  };
  rig_.printer.Answer(ErrorFrame(23));
  EXPECT_EQ(rig_.control->opContante(1, kTen), EERR);
  EXPECT_THAT(RecordDifferences(*rig_.control, {{"LastEERR", I2(23)}}), IsEmpty());
  EXPECT_EQ(command_seen, "103601000001000");
  EXPECT_THAT(record_seen, IsEmpty());
  EXPECT_THAT(rig_.events, ElementsAre(FPErrorArgs{EERR, 23}));
}

TEST_F(OperationSteps, AReplyOfAnotherLengthLeavesEveryDefaultAndStillReturnsOK) {
  rig_.printer.AnswerPayload(SampleOf(Decoder::DecodeSaleLineReply).payload + "0");
  EXPECT_EQ(rig_.control->opReparto(1, "PANE", kTen, 2), OP_OK);
  EXPECT_THAT(RecordDifferences(*rig_.control, {}), IsEmpty());
  EXPECT_THAT(rig_.events, IsEmpty());
}

}  // namespace
}  // namespace tavirel
