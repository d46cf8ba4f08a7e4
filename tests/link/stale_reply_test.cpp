// Late replies: a register that echoes the request's counter lets the driver
// pass over another request's reply; one that does not is served as always.
#include <gtest/gtest.h>

#include "link/counter_echo.hpp"
#include "link/frame.hpp"
#include "support/scripted_printer.hpp"

namespace tavirel {
namespace {

using namespace tavirel::testing;
using std::chrono::milliseconds;

const std::string kAck(1, ACK);
const std::string kDateReply = "42010612011200";

struct StaleRow {
  const char* name;
  const char* probe_counter;  // "" for a probe left unanswered
  const char* first_counter;  // the counter on the reply to the first call (02)
  std::vector<Step> third;    // the printer's answer to the call with counter 03
  std::int16_t result;
  std::int16_t last_op_code;  // 1055: the late reply was taken; 1056: the right one
};

// The late reply of the call that went out with 02, and the right one for 03.
const std::string kLate = ReplyFrame("105501", "02");
const std::string kRight = ReplyFrame("105601", "03");

const StaleRow kRows[] = {
    {"EchoConfirmedPassesOverTheLateReply",
     "01",
     "02",
     {{milliseconds(0), kAck + kLate + kRight}},
     OP_OK,
     1056},
    {"LateReplyBeforeTheAckIsDiscardedAsAlways",
     "01",
     "02",
     {{milliseconds(0), kLate}, {milliseconds(300), kAck + kRight}},
     OP_OK,
     1056},
    {"ALateErrorReplyIsPassedOverToo",
     "01",
     "02",
     {{milliseconds(0), kAck + ReplyFrame("EERR 23", "02")}, {milliseconds(800), kRight}},
     OP_OK,
     1056},
    {"OnlyTheLateReplyComesSoTheCallTimesOut",
     "01",
     "02",
     {{milliseconds(0), kAck + kLate}},
     OP_ERR_TIMEOUT,
     0},
    {"ARegisterThatAlwaysAnswers01IsServedAsAlways",
     "01",
     "01",
     {{milliseconds(0), kAck + kLate + kRight}},
     OP_OK,
     1055},
    {"AProbeLeftUnansweredTeachesNothing",
     "",
     "02",
     {{milliseconds(0), kAck + kLate + kRight}},
     OP_OK,
     1055},
    {"AProbeReplyWithAnotherCounterMeansNoEcho",
     "07",
     "02",
     {{milliseconds(0), kAck + kLate + kRight}},
     OP_OK,
     1055},
};

class StaleReply : public ::testing::TestWithParam<StaleRow> {};

TEST_P(StaleReply, IsPassedOverOnlyWhenTheRegisterIsKnownToEchoTheCounter) {
  const StaleRow& row = GetParam();
  ScriptedPrinter printer;
  auto control = printer.MakeControl();
  int events = 0;
  HostHooks hooks;
  hooks.fp_error = [&](std::int16_t&, std::int32_t&) { ++events; };
  control->SetHooks(hooks);
  if (std::string(row.probe_counter).empty()) {
    printer.Silent();
  } else {
    printer.Answer(ReplyFrame(kDateReply, row.probe_counter));
  }
  control->PortOpen();
  printer.Answer(ReplyFrame("105501", row.first_counter));
  ASSERT_EQ(control->opBloccoTastiera(1), OP_OK);
  printer.TakeWritten();
  events = 0;

  printer.Script(row.third);
  EXPECT_EQ(control->opSBloccoTastiera(1), row.result);
  EXPECT_EQ(control->LastOPCode(), row.last_op_code);
  const std::string request = link::BuildRequestFrame(3, "105601");
  EXPECT_EQ(printer.TakeWritten(), row.result == OP_OK ? request + kAck : request)
      << "a passed-over reply is not acknowledged";
  EXPECT_EQ(events, row.result == OP_OK ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(Registers, StaleReply, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CounterEcho, IsLearntFromTheProbeAndConfirmedByTheNextReply) {
  using link::CounterEcho;
  const std::string probe01 = ReplyFrame(kDateReply, "01");
  std::string bad_checksum = probe01;
  bad_checksum[bad_checksum.size() - 2] ^= 1;
  EXPECT_EQ(link::LearnFromProbeReply(probe01), CounterEcho::Probable);
  EXPECT_EQ(link::LearnFromProbeReply(ReplyFrame(kDateReply, "02")), CounterEcho::None);
  EXPECT_EQ(link::LearnFromProbeReply(bad_checksum), CounterEcho::Unknown);
  EXPECT_EQ(link::LearnFromProbeReply(""), CounterEcho::Unknown);

  const std::string reply02 = ReplyFrame("105501", "02");
  EXPECT_EQ(link::LearnFromReply(CounterEcho::Probable, reply02, "02"), CounterEcho::Confirmed);
  EXPECT_EQ(link::LearnFromReply(CounterEcho::Probable, reply02, "03"), CounterEcho::None);
  EXPECT_EQ(link::LearnFromReply(CounterEcho::None, reply02, "02"), CounterEcho::None);
  EXPECT_EQ(link::LearnFromReply(CounterEcho::Unknown, reply02, "02"), CounterEcho::Unknown);

  EXPECT_TRUE(link::IsStaleReply(CounterEcho::Confirmed, reply02, "03"));
  EXPECT_FALSE(link::IsStaleReply(CounterEcho::Confirmed, reply02, "02"));
  EXPECT_FALSE(link::IsStaleReply(CounterEcho::Probable, reply02, "03"));
  EXPECT_FALSE(link::IsStaleReply(CounterEcho::None, reply02, "03"));
}

}  // namespace
}  // namespace tavirel
