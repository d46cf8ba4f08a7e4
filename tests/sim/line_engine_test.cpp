// The register's side of the line in virtual time: frames, ACK, checksum,
// pacing and each fault switch, with a stand-in for the register.
#include "tavirel/sim/line_engine.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace tavirel::sim {
namespace {

using std::chrono::milliseconds;

constexpr char STX = 0x02, ETX = 0x03, ACK = 0x06;

// Answers every command with a fixed payload and remembers what it saw.
class FakeRegister : public CommandProcessor {
 public:
  std::string Process(std::string_view command, TimePoint,
                      const std::vector<ActiveFault>& faults) override {
    commands.emplace_back(command);
    last_faults = faults;
    return payload;
  }
  std::string payload = "105001";
  std::vector<std::string> commands;
  std::vector<ActiveFault> last_faults;
};

std::string SumDigits(std::string_view covered) {
  int sum = 0;
  for (char c : covered) sum += static_cast<unsigned char>(c);
  const int ck = sum % 100;
  return std::string{static_cast<char>('0' + ck / 10), static_cast<char>('0' + ck % 10)};
}

std::string Request(std::string_view counter, std::string_view command) {
  const std::string covered = std::string(counter) + "E" + std::string(command);
  return std::string(1, STX) + covered + SumDigits(covered) + std::string(1, ETX);
}

std::string Reply(std::string_view counter, std::string_view payload) {
  const std::string covered = std::string(counter) + "R" + std::string(payload);
  return std::string(1, STX) + covered + SumDigits(covered) + std::string(1, ETX);
}

class LineEngineTest : public ::testing::Test {
 protected:
  TimePoint t0 = TimePoint(std::chrono::hours(1));
  FakeRegister reg;
  LineEngine engine{reg};
};

TEST_F(LineEngineTest, AcknowledgesAndRepliesWithTheRequestsCounter) {
  engine.OnBytes(Request("02", "105000"), t0);
  EXPECT_EQ(engine.TakeDue(t0), std::string(1, ACK) + Reply("02", "105001"));
  ASSERT_EQ(reg.commands.size(), 1u);
  EXPECT_EQ(reg.commands[0], "105000");
}

TEST_F(LineEngineTest, WorkedExampleRequestIsAccepted) {
  // 02 30 32 45 31 30 35 30 30 30 36 31 03
  engine.OnBytes(std::string("\x02"
                             "02E105000"
                             "61"
                             "\x03"),
                 t0);
  EXPECT_EQ(engine.Stats().checksum_errors, 0);
  EXPECT_EQ(reg.commands.size(), 1u);
}

TEST_F(LineEngineTest, AssemblesAFrameArrivingInPiecesAndIgnoresNoiseBeforeIt) {
  const std::string frame = Request("03", "4201");
  engine.OnBytes("zz", t0);
  engine.OnBytes(frame.substr(0, 5), t0);
  EXPECT_EQ(engine.TakeDue(t0), "");
  engine.OnBytes(frame.substr(5), t0);
  EXPECT_EQ(engine.TakeDue(t0).substr(0, 1), std::string(1, ACK));
  EXPECT_EQ(engine.Stats().ignored_bytes, 2);
}

TEST_F(LineEngineTest, AnStxRestartsTheFrame) {
  engine.OnBytes(std::string(1, STX) + "02E10" + Request("02", "105000"), t0);
  ASSERT_EQ(reg.commands.size(), 1u);
  EXPECT_EQ(reg.commands[0], "105000");
}

TEST_F(LineEngineTest, WrongChecksumIsAnsweredWithError30WithoutCarryingOut) {
  engine.OnBytes(std::string("\x02"
                             "02E105000"
                             "62"
                             "\x03"),
                 t0);
  const std::string out = engine.TakeDue(t0);
  EXPECT_TRUE(reg.commands.empty());
  const std::string reply = out.substr(1);
  EXPECT_EQ(reply, Reply("02", "EERR 30"));
  EXPECT_EQ(reply.substr(9, 2), "30");  // frame positions 10-11
  EXPECT_EQ(engine.Stats().checksum_errors, 1);
}

TEST_F(LineEngineTest, TakesTheHostsAckAfterTheReplyAndNeverRetransmits) {
  engine.OnBytes(Request("02", "105000"), t0);
  engine.TakeDue(t0);
  engine.OnBytes(std::string(1, ACK), t0 + milliseconds(5));
  EXPECT_EQ(engine.Stats().host_acks, 1);
  EXPECT_EQ(engine.TakeDue(t0 + std::chrono::seconds(60)), "");
  EXPECT_FALSE(engine.NextDue().has_value());
}

TEST_F(LineEngineTest, ErrorPayloadPutsTheNumberAtFramePositionsTenAndEleven) {
  EXPECT_EQ(LineEngine::ErrorPayload(7), "EERR 07");
  EXPECT_EQ(LineEngine::ErrorPayload(-1), "EERR   ");
  const std::string frame = LineEngine::BuildReply("03", LineEngine::ErrorPayload(23));
  EXPECT_EQ(frame.substr(9, 2), "23");
}

TEST_F(LineEngineTest, PacingSendsBytesAtLineSpeedAfterTheProcessingTime) {
  Pacing pacing;
  pacing.line_speed = true;
  pacing.processing.report = milliseconds(1500);
  engine.SetPacing(pacing);
  const auto byte = pacing.ByteTime();
  const double ms = std::chrono::duration<double, std::milli>(byte).count();
  EXPECT_NEAR(ms, 1.0417, 0.001);
  const std::string request = Request("02", "200101");
  engine.OnBytes(request, t0);
  const TimePoint ack_at = t0 + byte * static_cast<long>(request.size()) + byte;
  EXPECT_EQ(engine.NextDue(), ack_at);
  EXPECT_EQ(engine.TakeDue(ack_at - milliseconds(0) - std::chrono::nanoseconds(1)), "");
  EXPECT_EQ(engine.TakeDue(ack_at), std::string(1, ACK));
  const TimePoint reply_start = ack_at + milliseconds(1500) + byte;
  EXPECT_EQ(engine.TakeDue(reply_start - std::chrono::nanoseconds(1)), "");
  EXPECT_EQ(engine.TakeDue(reply_start), std::string(1, STX));
  EXPECT_EQ(engine.TakeDue(reply_start + byte), "0");
}

TEST(Pacing, CommandKindsByCode) {
  EXPECT_EQ(CommandKindOf("100301"), CommandKind::Ordinary);
  EXPECT_EQ(CommandKindOf("200101"), CommandKind::Report);
  EXPECT_EQ(CommandKindOf("300201"), CommandKind::Report);
  EXPECT_EQ(CommandKindOf("300101"), CommandKind::Closure);
  EXPECT_EQ(CommandKindOf("301501"), CommandKind::FiscalMemoryReport);
  EXPECT_EQ(CommandKindOf("3016"), CommandKind::Ordinary);
  EXPECT_EQ(CommandKindOf("32"), CommandKind::Ordinary);
}

// ---- fault switches ------------------------------------------------------

TEST_F(LineEngineTest, OffSwallowsTheCommandAndLowersCtsForItsTime) {
  engine.Faults().Once(Fault::Off, 2000);
  engine.OnBytes(Request("02", "105000"), t0);
  EXPECT_EQ(engine.TakeDue(t0 + std::chrono::seconds(10)), "");
  EXPECT_TRUE(reg.commands.empty());
  EXPECT_FALSE(engine.CtsAsserted(t0 + milliseconds(1999)));
  EXPECT_TRUE(engine.CtsAsserted(t0 + milliseconds(2000)));
}

TEST_F(LineEngineTest, PoweredOffRegisterHearsNothingAndLowersCts) {
  engine.SetPower(false);
  EXPECT_FALSE(engine.CtsAsserted(t0));
  engine.OnBytes(Request("02", "105000"), t0);
  EXPECT_TRUE(reg.commands.empty());
  engine.SetPower(true);
  EXPECT_TRUE(engine.CtsAsserted(t0));
}

TEST_F(LineEngineTest, NoAckSendsTheReplyAlone) {
  engine.Faults().Once(Fault::NoAck);
  engine.OnBytes(Request("02", "105000"), t0);
  EXPECT_EQ(engine.TakeDue(t0), Reply("02", "105001"));
  EXPECT_EQ(reg.commands.size(), 1u);
}

TEST_F(LineEngineTest, NoReplyAcknowledgesAndCarriesOutButAnswersNothing) {
  engine.Faults().Once(Fault::NoReply);
  engine.OnBytes(Request("02", "105000"), t0);
  EXPECT_EQ(engine.TakeDue(t0 + std::chrono::seconds(60)), std::string(1, ACK));
  EXPECT_EQ(reg.commands.size(), 1u);
}

TEST_F(LineEngineTest, AckDelayAndReplyDelayMoveTheBytes) {
  engine.Faults().Once(Fault::AckDelay, 1500);
  engine.Faults().Once(Fault::ReplyDelay, 2500);
  engine.OnBytes(Request("02", "105000"), t0);
  EXPECT_EQ(engine.TakeDue(t0 + milliseconds(1499)), "");
  EXPECT_EQ(engine.TakeDue(t0 + milliseconds(1500)), std::string(1, ACK));
  EXPECT_EQ(engine.TakeDue(t0 + milliseconds(3999)), "");
  EXPECT_EQ(engine.TakeDue(t0 + milliseconds(4000)), Reply("02", "105001"));
}

TEST_F(LineEngineTest, BadChecksumSpoilsOnlyTheChecksum) {
  engine.Faults().Once(Fault::BadChecksum);
  engine.OnBytes(Request("02", "105000"), t0);
  const std::string reply = engine.TakeDue(t0).substr(1);
  const std::string good = Reply("02", "105001");
  ASSERT_EQ(reply.size(), good.size());
  EXPECT_EQ(reply.substr(0, reply.size() - 3), good.substr(0, good.size() - 3));
  EXPECT_NE(reply.substr(reply.size() - 3, 2), good.substr(good.size() - 3, 2));
  EXPECT_EQ(reg.commands.size(), 1u);
}

TEST_F(LineEngineTest, NoiseSendsAStrayStxAndCharactersBeforeTheReply) {
  engine.Faults().Once(Fault::Noise);
  engine.OnBytes(Request("02", "105000"), t0);
  const std::string out = engine.TakeDue(t0);
  const std::string reply = Reply("02", "105001");
  ASSERT_GT(out.size(), reply.size() + 2);
  EXPECT_EQ(out[0], ACK);
  EXPECT_EQ(out[1], STX);
  EXPECT_EQ(out.substr(out.size() - reply.size()), reply);
  EXPECT_EQ(out.substr(1, out.size() - reply.size() - 1).find(ETX), std::string::npos);
}

TEST_F(LineEngineTest, TrailingSendsCharactersAfterTheEtx) {
  engine.Faults().Once(Fault::Trailing);
  engine.OnBytes(Request("02", "105000"), t0);
  const std::string out = engine.TakeDue(t0);
  const std::string reply = Reply("02", "105001");
  EXPECT_EQ(out.substr(1, reply.size()), reply);
  EXPECT_GT(out.size(), reply.size() + 1);
}

TEST_F(LineEngineTest, ErrorReplaceTheReplyAndTheCommandIsNotCarriedOut) {
  engine.Faults().Once(Fault::Error, 21);
  engine.OnBytes(Request("02", "105000"), t0);
  EXPECT_EQ(engine.TakeDue(t0), std::string(1, ACK) + Reply("02", "EERR 21"));
  EXPECT_TRUE(reg.commands.empty());
  engine.Faults().Once(Fault::Error, -1);
  engine.OnBytes(Request("03", "105000"), t0);
  EXPECT_EQ(engine.TakeDue(t0), std::string(1, ACK) + Reply("03", "EERR   "));
}

TEST_F(LineEngineTest, PaperEndIsHandedToTheRegister) {
  engine.Faults().Once(Fault::PaperEnd, 500);
  engine.OnBytes(Request("02", "105000"), t0);
  ASSERT_EQ(reg.last_faults.size(), 1u);
  EXPECT_EQ(reg.last_faults[0].fault, Fault::PaperEnd);
  EXPECT_EQ(reg.last_faults[0].param, 500);
}

TEST_F(LineEngineTest, LongAndShortRepliesKeepARightChecksum) {
  engine.Faults().Once(Fault::LongReply);
  engine.OnBytes(Request("02", "105000"), t0);
  EXPECT_EQ(engine.TakeDue(t0).substr(1), Reply("02", "105001 "));
  engine.Faults().Once(Fault::ShortReply);
  engine.OnBytes(Request("03", "105000"), t0);
  EXPECT_EQ(engine.TakeDue(t0).substr(1), Reply("03", "10500"));
}

TEST_F(LineEngineTest, OnceSwitchFiresOnTheNextCommandOnly) {
  engine.Faults().Once(Fault::NoAck);
  engine.OnBytes(Request("02", "105000"), t0);
  engine.TakeDue(t0);
  engine.OnBytes(Request("03", "105000"), t0);
  EXPECT_EQ(engine.TakeDue(t0).substr(0, 1), std::string(1, ACK));
  EXPECT_TRUE(engine.Faults().Armed().empty());
}

}  // namespace
}  // namespace tavirel::sim
