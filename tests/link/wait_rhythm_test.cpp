// How the wait sleeps, in virtual time: without a yield handler it sleeps
// until input or the end of the limit in force (a second at most on a clock
// that does not keep the port's time); with one, it keeps a 20 ms rhythm so
// the host's events are served. The limits are the same either way, also on
// a clock that runs ahead of the port's waits.
#include <gtest/gtest.h>

#include "support/scripted_printer.hpp"

namespace tavirel {
namespace {

using namespace tavirel::testing;
using std::chrono::milliseconds;

struct RhythmRow {
  const char* name;
  bool yield_handler;
  std::vector<Step> script;
  std::int16_t result;
  milliseconds took;        // from the send, the clock on a whole second
  std::size_t most_waits;   // waits the driver asked for
  milliseconds first_wait;  // the first slice it offered
  int clock_rate = 1;       // how much faster than the port's waits the clock runs
};

const std::string kAck(1, ACK);

const RhythmRow kRows[] = {
    {"SilentPrinterNoYield", false, {}, OP_ERR_TIMEOUT, milliseconds(3000), 1, milliseconds(3000)},
    {"SilentPrinterWithYield", true, {}, OP_ERR_TIMEOUT, milliseconds(3000), 150, milliseconds(20)},
    {"AckThenSilenceNoYield",
     false,
     {{milliseconds(1500), kAck}},
     OP_ERR_TIMEOUT,
     milliseconds(10000),
     2,
     milliseconds(3000)},
    {"AckThenSilenceWithYield",
     true,
     {{milliseconds(1500), kAck}},
     OP_ERR_TIMEOUT,
     milliseconds(10000),
     500,
     milliseconds(20)},
    {"LateReplyNoYield",
     false,
     {{milliseconds(1500), kAck}, {milliseconds(4000), ReplyFrame("105501")}},
     OP_OK,
     milliseconds(4000),
     2,
     milliseconds(3000)},
    {"LateReplyWithYield",
     true,
     {{milliseconds(1500), kAck}, {milliseconds(4000), ReplyFrame("105501")}},
     OP_OK,
     milliseconds(4000),
     200,
     milliseconds(20)},
    // The ACK comes 4.5 s after the send on the clock, within the first
    // sleep on the port: too late for its 3 s, whatever the reply after it.
    {"LateAckOnAClockRunningAhead",
     false,
     {{milliseconds(4500), kAck}, {milliseconds(5000), ReplyFrame("105501")}},
     OP_ERR_TIMEOUT,
     milliseconds(4500),
     1,
     milliseconds(1000),
     10},
    {"SilentPrinterOnAClockRunningAhead",
     false,
     {},
     OP_ERR_TIMEOUT,
     milliseconds(10000),
     1,
     milliseconds(1000),
     10},
};

class WaitRhythm : public ::testing::TestWithParam<RhythmRow> {};

TEST_P(WaitRhythm, SleepsAsLongAsItMayAndKeepsTheLimits) {
  const RhythmRow& row = GetParam();
  ScriptedPrinter printer;
  printer.SetClockRate(row.clock_rate);
  auto control = printer.MakeControl();
  printer.AnswerPayload("42010612011200");
  control->PortOpen();
  int yields = 0;
  HostHooks hooks;
  if (row.yield_handler) hooks.yield = [&] { ++yields; };
  control->SetHooks(hooks);
  const auto into_second = printer.Elapsed() % std::chrono::seconds(1);
  printer.clock().Advance(std::chrono::seconds(1) - into_second);
  const std::size_t waits_before = printer.WaitSlices().size();
  const auto sent_at = printer.Elapsed();

  printer.Script(row.script);
  EXPECT_EQ(control->opBloccoTastiera(1), row.result);
  EXPECT_EQ(printer.Elapsed() - sent_at, row.took);
  const std::size_t waits = printer.WaitSlices().size() - waits_before;
  EXPECT_LE(waits, row.most_waits);
  ASSERT_GT(waits, 0u);
  EXPECT_EQ(printer.WaitSlices()[waits_before], row.first_wait);
  if (row.yield_handler) {
    EXPECT_GE(static_cast<std::size_t>(yields), waits) << "a yield on every pass";
  }
}

INSTANTIATE_TEST_SUITE_P(Hosts, WaitRhythm, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tavirel
