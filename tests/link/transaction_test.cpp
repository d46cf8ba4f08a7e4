// The exchange on the line, against a printer scripted in virtual time.
#include <gtest/gtest.h>

#include "link/frame.hpp"
#include "support/scripted_printer.hpp"
#include "tavirel/errors.hpp"

namespace tavirel {
namespace {

using namespace tavirel::testing;
using std::chrono::milliseconds;

struct Event {
  std::int16_t level;
  std::int32_t code;
  bool operator==(const Event&) const = default;
};

const std::string kDateReply = "42010612011200";  // 4201 and 06/12/01 12:00
const std::string kAckPayload = "105501";         // what opBloccoTastiera expects

std::string Request(std::int16_t counter, const std::string& command) {
  return link::BuildRequestFrame(counter, command);
}

class Transaction : public ::testing::Test {
 protected:
  void SetUp() override {
    control_ = printer_.MakeControl();
    HostHooks hooks;
    hooks.fp_error = [this](std::int16_t& level, std::int32_t& code) {
      events_.push_back({level, code});
      if (on_event_) on_event_(level, code);
    };
    hooks.yield = [this] {
      if (on_yield_) on_yield_();
    };
    control_->SetHooks(hooks);
  }

  // Opens the port with a probe that the printer answers.
  void Open() {
    printer_.AnswerPayload(kDateReply);
    control_->PortOpen();
    printer_.TakeWritten();
  }

  ScriptedPrinter printer_;
  std::unique_ptr<TavirelControl> control_;
  std::vector<Event> events_;
  std::function<void(std::int16_t&, std::int32_t&)> on_event_;
  std::function<void()> on_yield_;
};

TEST_F(Transaction, ProbeAndThreeExchangesCarryCounters01020302) {
  printer_.AnswerPayload(kDateReply);
  control_->PortOpen();
  for (int i = 0; i < 3; ++i) {
    printer_.AnswerPayload(kAckPayload);
    ASSERT_EQ(control_->opBloccoTastiera(1), OP_OK);
  }
  const std::string ack(1, ACK);
  EXPECT_EQ(printer_.Written(), Request(1, "4201") + ack + Request(2, "105501") + ack +
                                    Request(3, "105501") + ack + Request(2, "105501") + ack);
  EXPECT_EQ(control_->FrameCounter(), 3);
  EXPECT_TRUE(events_.empty());
}

TEST_F(Transaction, ProbeAcknowledgesEvenAWrongChecksumAndNeverRaisesTheEvent) {
  std::string frame = ReplyFrame(kDateReply);
  frame[frame.size() - 2] = frame[frame.size() - 2] == '0' ? '1' : '0';
  printer_.Answer(frame);
  control_->PortOpen();
  EXPECT_EQ(printer_.Written(), Request(1, "4201") + std::string(1, ACK));
  EXPECT_TRUE(control_->PortIsOpen());
  EXPECT_TRUE(events_.empty());
  EXPECT_EQ(control_->FrameCounter(), 2);
}

TEST_F(Transaction, ProbeToASilentPrinterGivesUpAfterThreeSeconds) {
  printer_.Silent();
  control_->PortOpen();
  EXPECT_TRUE(control_->PortIsOpen());
  EXPECT_GE(printer_.Elapsed(), milliseconds(2900));
  EXPECT_LE(printer_.Elapsed(), milliseconds(3100));
  EXPECT_TRUE(events_.empty());
}

TEST_F(Transaction, ProbeWithCTSLowReturnsAtOnceAndKeepsCounterOne) {
  printer_.far().SetPeerCTS(false);
  control_->PortOpen();
  EXPECT_TRUE(control_->PortIsOpen());
  EXPECT_EQ(printer_.Written(), "");
  EXPECT_EQ(control_->FrameCounter(), 1);
  EXPECT_TRUE(events_.empty());
  EXPECT_EQ(printer_.Elapsed(), milliseconds(0));
}

TEST_F(Transaction, ProbeInModeZeroSendsNothingSoTheFirstOperationGoesOutWith01) {
  control_->EuroSettings(0);
  control_->PortOpen();
  EXPECT_EQ(control_->FrameCounter(), 1);
  control_->EuroSettings(2);
  printer_.AnswerPayload(kAckPayload);
  EXPECT_EQ(control_->opBloccoTastiera(1), OP_OK);
  EXPECT_EQ(printer_.Written(), Request(1, "105501") + std::string(1, ACK));
}

TEST_F(Transaction, PreconditionsAreTestedInOrderAndWriteNothing) {
  struct Row {
    std::int32_t euro;
    bool open;
    bool cts;
    std::int16_t expected;
  };
  const std::vector<Row> rows = {
      {0, false, false, OP_ERR_EUROLOCK},
      {0, true, true, OP_ERR_EUROLOCK},
      {2, false, false, OP_ERR_PORTCLOSE},
      {2, true, false, OP_ERR_NOCOLL},
  };
  for (const auto& row : rows) {
    events_.clear();
    control_->EuroSettings(row.euro);
    control_->Port().PortOpen(row.open);
    printer_.far().SetPeerCTS(row.cts);
    const std::int16_t counter = control_->FrameCounter();
    EXPECT_EQ(control_->opBloccoTastiera(1), row.expected);
    EXPECT_EQ(events_, (std::vector<Event>{{row.expected, 0}}));
    EXPECT_EQ(control_->FrameCounter(), counter);
    EXPECT_EQ(control_->LastEERR(), -2);
  }
  EXPECT_EQ(printer_.Written(), "");
}

TEST_F(Transaction, AfterCTSComesBackTheNextCallUsesTheSameCounterDigits) {
  Open();
  printer_.far().SetPeerCTS(false);
  EXPECT_EQ(control_->opBloccoTastiera(1), OP_ERR_NOCOLL);
  printer_.far().SetPeerCTS(true);
  printer_.AnswerPayload(kAckPayload);
  EXPECT_EQ(control_->opBloccoTastiera(1), OP_OK);
  EXPECT_EQ(printer_.TakeWritten(), Request(2, "105501") + std::string(1, ACK));
}

TEST_F(Transaction, AReplyWithoutAckTimesOutAfterThreeSeconds) {
  Open();
  printer_.Script({{milliseconds(0), ReplyFrame(kAckPayload)}});
  const auto start = printer_.Elapsed();
  EXPECT_EQ(control_->opBloccoTastiera(1), OP_ERR_TIMEOUT);
  EXPECT_GE(printer_.Elapsed() - start, milliseconds(2000));
  EXPECT_LE(printer_.Elapsed() - start, milliseconds(3000));
  EXPECT_EQ(events_, (std::vector<Event>{{OP_ERR_TIMEOUT, 0}}));
  EXPECT_EQ(control_->LastOPCode(), 0);
  EXPECT_EQ(printer_.TakeWritten(), Request(2, "105501"));  // everything before an ACK is discarded
}

TEST_F(Transaction, AckAtOneAndAHalfSecondsAndReplyAtFourIsAcceptedWithTenSeconds) {
  Open();
  printer_.Script(
      {{milliseconds(1500), std::string(1, ACK)}, {milliseconds(4000), ReplyFrame(kAckPayload)}});
  EXPECT_EQ(control_->opBloccoTastiera(1), OP_OK);
  EXPECT_EQ(control_->LastOPCode(), 1055);
  EXPECT_TRUE(events_.empty());
}

TEST_F(Transaction, TheSameLateReplyIsTooLateForTheProbesTwoSeconds) {
  printer_.Script(
      {{milliseconds(1500), std::string(1, ACK)}, {milliseconds(4000), ReplyFrame(kDateReply)}});
  control_->PortOpen();
  EXPECT_LT(printer_.Elapsed(), milliseconds(3000));
  EXPECT_EQ(printer_.Written(), Request(1, "4201"));  // no ACK: the reply never completed in time
}

TEST_F(Transaction, ALimitOfNEndsBetweenNMinusOneAndNSecondsAfterTheSend) {
  Open();
  // Move to 0.9 s into a whole second: the limit of 10 then ends 9.1 s after the send.
  printer_.clock().Advance(milliseconds(900) - printer_.Elapsed() % std::chrono::seconds(1));
  printer_.Script(
      {{milliseconds(0), std::string(1, ACK)}, {milliseconds(9200), ReplyFrame(kAckPayload)}});
  EXPECT_EQ(control_->opBloccoTastiera(1), OP_ERR_TIMEOUT);
}

TEST_F(Transaction, NoiseBeforeTheLastSTXIsDropped) {
  Open();
  printer_.Answer(
      "\x02"
      "garbage" +
      ReplyFrame(kAckPayload));
  EXPECT_EQ(control_->opBloccoTastiera(1), OP_OK);
  EXPECT_EQ(control_->LastOPCode(), 1055);
  EXPECT_EQ(control_->LastOP(), 1);
}

TEST_F(Transaction, CharactersBeforeTheAckAreDiscarded) {
  Open();
  printer_.Script(
      {{milliseconds(0), "xx\x02\x03" + std::string(1, ACK) + ReplyFrame(kAckPayload)}});
  EXPECT_EQ(control_->opBloccoTastiera(1), OP_OK);
  EXPECT_EQ(control_->LastOPCode(), 1055);
}

TEST_F(Transaction, CharactersAfterTheETXAreEmptiedBeforeTheNextRequest) {
  Open();
  printer_.Answer(ReplyFrame(kAckPayload) + std::string(1, ACK) + ReplyFrame("999999"));
  EXPECT_EQ(control_->opBloccoTastiera(1), OP_OK);
  printer_.AnswerPayload("105601");
  EXPECT_EQ(control_->opSBloccoTastiera(1), OP_OK);
  EXPECT_EQ(control_->LastOPCode(), 1056);  // not the stale 9999
}

TEST_F(Transaction, AWrongChecksumIsAnsweredWithNothing) {
  Open();
  std::string frame = ReplyFrame(kAckPayload);
  frame[frame.size() - 2] = frame[frame.size() - 2] == '0' ? '1' : '0';
  printer_.Answer(frame);
  EXPECT_EQ(control_->opBloccoTastiera(1), OP_ERR_CHKS);
  EXPECT_EQ(printer_.TakeWritten(), Request(2, "105501"));
  EXPECT_EQ(events_, (std::vector<Event>{{OP_ERR_CHKS, 0}}));
  EXPECT_EQ(control_->LastOPCode(), 0);
}

TEST_F(Transaction, RepliesWithoutATwoDigitChecksumAreChecksumErrors) {
  Open();
  for (const std::string& frame : {std::string("\x02\x03"), std::string("\x02"
                                                                        "01E1055XY\x03")}) {
    printer_.Answer(frame);
    EXPECT_EQ(control_->opBloccoTastiera(1), OP_ERR_CHKS) << frame;
  }
}

TEST_F(Transaction, AnErrorReplyIsAcknowledgedAndReportedWithItsNumber) {
  Open();
  std::int16_t eerr_seen_in_handler = 0;
  on_event_ = [&](std::int16_t&, std::int32_t&) { eerr_seen_in_handler = control_->LastEERR(); };
  printer_.Answer(ErrorFrame(23));
  EXPECT_EQ(control_->opBloccoTastiera(1), EERR);
  EXPECT_EQ(printer_.TakeWritten(), Request(2, "105501") + std::string(1, ACK));
  EXPECT_EQ(control_->LastEERR(), 23);
  EXPECT_EQ(eerr_seen_in_handler, -2);
  EXPECT_EQ(events_, (std::vector<Event>{{EERR, 23}}));
  EXPECT_EQ(control_->GetLastErrorDescription(EERR, control_->LastEERR()), "CHIUDI SCONTRINO");
}

TEST_F(Transaction, TheErrorNumberIsReadFromThePayloadOnly) {
  Open();
  struct Row {
    std::string payload;
    std::int16_t last_eerr;  // 0: no number, so no event
  };
  const std::vector<Row> rows = {
      {"EERR", 0},
      {"EERR   ", 0},
      {"EERR AB", 0},
      {"EERR -5", 0},
      {"EERR +5", 0},
      {"EERR  5", 5},
      {"EERR 5 ", 5},
      {"EERR 5", 5},  // the checksum's first digit after it is not
                      // part of the number
      {"EERR 31", 31},
  };
  for (const Row& row : rows) {
    events_.clear();
    printer_.AnswerPayload(row.payload);
    EXPECT_EQ(control_->opBloccoTastiera(1), EERR) << row.payload;
    EXPECT_EQ(control_->LastEERR(), row.last_eerr) << row.payload;
    const std::vector<Event> expected =
        row.last_eerr == 0 ? std::vector<Event>{} : std::vector<Event>{{EERR, row.last_eerr}};
    EXPECT_EQ(events_, expected) << row.payload;
  }
}

TEST_F(Transaction, EERRInsideAReplysDataIsNoRefusal) {
  Open();
  const std::string code = "BEERRA-33CL" + std::string(29, ' ');
  const std::string payload = "100301" + code + "0001000" + "1" + "000000150" + "000000150" + "02";
  ASSERT_EQ(payload.size(), 74u);
  printer_.AnswerPayload(payload);
  EXPECT_EQ(control_->opReparto(1, "BIRRA", Currency::FromRaw(15000), 2, 1, "BEERRA-33CL"), OP_OK);
  EXPECT_EQ(control_->LastEERR(), -2);
  EXPECT_EQ(control_->LastCodProd(), code);
  EXPECT_TRUE(events_.empty());
  EXPECT_EQ(printer_.TakeWritten().back(), ACK);
}

TEST_F(Transaction, AHandlerStoringIntoErrorLevelChangesTheReturnedCode) {
  Open();
  on_event_ = [](std::int16_t& level, std::int32_t& code) {
    level = 42;
    code = 7;  // a temporary for these results: no effect
  };
  printer_.Silent();
  EXPECT_EQ(control_->opBloccoTastiera(1), 42);
  EXPECT_EQ(control_->LastEERR(), -2);
}

TEST_F(Transaction, AHandlerStoringIntoErrorCodeChangesLastEERR) {
  Open();
  on_event_ = [](std::int16_t& level, std::int32_t& code) {
    code = 17;
    level = 0;  // a temporary for an error reply: no effect
  };
  printer_.Answer(ErrorFrame(9));
  EXPECT_EQ(control_->opBloccoTastiera(1), EERR);
  EXPECT_EQ(control_->LastEERR(), 17);
}

TEST_F(Transaction, ANestedCallIsRefusedAndTheWaitingOneGoesOn) {
  Open();
  int refused = 0;
  on_yield_ = [&] {
    if (refused > 0) return;
    try {
      control_->opSBloccoTastiera(1);
    } catch (const BusyError&) {
      ++refused;
    }
  };
  printer_.Script({{milliseconds(100), std::string(1, ACK) + ReplyFrame(kAckPayload)}});
  EXPECT_EQ(control_->opBloccoTastiera(1), OP_OK);
  EXPECT_EQ(refused, 1);
  EXPECT_EQ(control_->CurrentCommand(), "105501");
  EXPECT_EQ(control_->LastOPCode(), 1055);
  EXPECT_EQ(printer_.TakeWritten(), Request(2, "105501") + std::string(1, ACK));
  EXPECT_FALSE(control_->Busy());
}

TEST_F(Transaction, ARunawayLineIsDroppedUpToTheNextSTX) {
  Open();
  printer_.Answer(std::string(1, STX) + std::string(10000, 'x') + ReplyFrame(kAckPayload));
  EXPECT_EQ(control_->opBloccoTastiera(1), OP_OK);
  EXPECT_EQ(control_->LastOPCode(), 1055);
}

TEST_F(Transaction, ARunawayLineWithoutAnotherFrameEndsInATimeout) {
  Open();
  printer_.Answer(std::string(1, STX) + std::string(10000, 'x'));
  EXPECT_EQ(control_->opBloccoTastiera(1), OP_ERR_TIMEOUT);
}

TEST_F(Transaction, AHangUpDuringTheWaitIsAnErrorOfTheCall) {
  Open();
  printer_.Script({{milliseconds(0), std::string(1, ACK)}});
  on_yield_ = [&] {
    if (printer_.Elapsed() > milliseconds(500)) printer_.far().HangUpPeer();
  };
  EXPECT_THROW(control_->opBloccoTastiera(1), SerialError);
  EXPECT_LT(printer_.Elapsed(), milliseconds(1000));
  EXPECT_FALSE(control_->Busy());
}

TEST_F(Transaction, TraceSeesEveryByteWrittenAndRead) {
  std::string written, read;
  HostHooks hooks = control_->Hooks();
  hooks.trace = [&](TraceDirection d, std::string_view bytes, Clock::time_point) {
    (d == TraceDirection::Written ? written : read) += bytes;
  };
  control_->SetHooks(hooks);
  Open();
  EXPECT_EQ(written, Request(1, "4201") + std::string(1, ACK));
  EXPECT_EQ(read, std::string(1, ACK) + ReplyFrame(kDateReply));
}

}  // namespace
}  // namespace tavirel
