// The console's commands, each answered with one line, and what they do to
// the register.
#include "tavirel/sim/console.hpp"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "sim_support.hpp"

namespace tavirel::sim {
namespace {

TEST(Console, EachCommandAnswersOneLineAndActs) {
  SimulatedRegister reg;
  struct Row {
    const char* line;
    const char* answer;  // its start
  };
  const Row rows[] = {
      {"fault error=21@0.5", "OK fault error=21@0.5"},
      {"  fault   noise \r", "OK fault   noise"},
      {"fault gremlins", "ERROR fault switch \"gremlins\""},
      {"fault error=22:1046", "OK fault error=22:1046"},
      {"fault no-reply#3", "OK fault no-reply#3"},
      {"fault error=22:10", "ERROR fault switch \"error=22:10\""},
      {"fault noise#0", "ERROR fault switch \"noise#0\""},
      {"cts off", "OK cts off"},
      {"cts", "ERROR cts needs argument"},
      {"cts low", "ERROR cts takes on or off"},
      {"state now", "ERROR state takes no argument"},
      {"fault", "ERROR fault needs argument"},
      {"power off", "OK power off"},
      {"power sideways", "ERROR power takes on or off"},
      {"refill now", "ERROR refill takes no argument"},
      {"", "ERROR unknown command"},
      {"stats", "STATS frames=0 checksum-errors=0 "},
  };
  for (const Row& row : rows) {
    const std::string answer = ConsoleCommand(reg, row.line);
    EXPECT_EQ(answer.rfind(row.answer, 0), 0u) << row.line << " -> " << answer;
    EXPECT_EQ(answer.find('\n'), std::string::npos);
  }
  EXPECT_FALSE(reg.Powered());
  EXPECT_FALSE(reg.Status().cts);
  ASSERT_EQ(reg.ArmedFaults().size(), 4u);
  EXPECT_EQ(reg.ArmedFaults()[0], (FaultSwitch{Fault::Error, 21, 0.5}));
  EXPECT_EQ(reg.ArmedFaults()[2], (FaultSwitch{.fault = Fault::Error, .param = 22, .code = 1046}));
  EXPECT_EQ(reg.ArmedFaults()[3], (FaultSwitch{.fault = Fault::NoReply, .skip = 2}));
  EXPECT_EQ(ConsoleCommand(reg, "clear"), "OK clear");
  EXPECT_TRUE(reg.ArmedFaults().empty());
  EXPECT_EQ(ConsoleCommand(reg, "power on"), "OK power on");
  EXPECT_TRUE(reg.Powered());
  EXPECT_EQ(ConsoleCommand(reg, "cts on"), "OK cts on");
  EXPECT_TRUE(reg.Status().cts);
}

TEST(Console, StateIsOneLineOfJsonWithEveryField) {
  RegisterStatus status;
  status.power = false;
  status.paper_out = true;
  status.faults = {ParseFaultSwitch("error=22:1046"), ParseFaultSwitch("noise@0.5")};
  status.phase = Phase::NonFiscal;
  status.clock = CivilTime{2026, 12, 8, 9, 5, 7};
  status.day_opened_at = CivilTime{2026, 12, 7, 10, 30, 0};
  EXPECT_EQ(StateLine(status),
            "{\"power\":false,\"cts\":true,\"paper_out\":true,\"printing_suspended\":false,"
            "\"faults\":[\"error=22:1046\",\"noise@0.5\"],\"phase\":\"non-fiscal\","
            "\"clock\":\"2026-12-08T09:05:07\",\"day_opened_at\":\"2026-12-07T10:30:00\","
            "\"last_closure_at\":null}");
}

TEST(Console, StateFollowsTheRegister) {
  auto wall = test::FixedWall();
  SimOptions options;
  options.wall = [&wall] { return wall; };
  SimulatedRegister reg(options);
  const auto state = [&reg] { return nlohmann::json::parse(ConsoleCommand(reg, "state")); };
  nlohmann::json s = state();
  EXPECT_EQ(s["power"], true);
  EXPECT_EQ(s["phase"], "idle");
  EXPECT_TRUE(s["faults"].empty());
  EXPECT_TRUE(s["day_opened_at"].is_null());
  EXPECT_TRUE(s["last_closure_at"].is_null());

  ConsoleCommand(reg, "fault no-reply#3");
  ConsoleCommand(reg, "fault paper-end");
  reg.OnBytes(test::Frame(test::Sale("PANE", 150, 1)), TimePoint{});
  s = state();
  EXPECT_EQ(s["faults"], nlohmann::json::array({"no-reply#2"}));  // one command passed
  EXPECT_EQ(s["paper_out"], true);
  EXPECT_EQ(s["printing_suspended"], true);
  EXPECT_EQ(s["phase"], "idle");  // the sale met the paper end

  ConsoleCommand(reg, "refill");
  reg.Execute(test::Op(1149));
  reg.Execute(test::Sale("PANE", 150, 1));
  s = state();
  EXPECT_EQ(s["paper_out"], false);
  EXPECT_EQ(s["phase"], "sale");
  EXPECT_EQ(s["day_opened_at"], "2026-12-07T10:30:00");

  reg.Execute(test::Cash(0));
  wall += std::chrono::minutes(90);
  reg.Execute(test::Op(3001));
  ConsoleCommand(reg, "power off");
  s = state();
  EXPECT_EQ(s["power"], false);
  EXPECT_EQ(s["clock"], "2026-12-07T12:00:00");
  EXPECT_TRUE(s["day_opened_at"].is_null());
  EXPECT_EQ(s["last_closure_at"], "2026-12-07T12:00:00");
}

TEST(Console, StatsNameEveryCounterAndEverySwitch) {
  LineStats stats;
  stats.frames = 7;
  stats.dropped_frames = 2;
  stats.faults[static_cast<std::size_t>(Fault::ShortReply)] = 3;
  EXPECT_EQ(StatsLine(stats),
            "STATS frames=7 checksum-errors=0 acks-sent=0 replies-sent=0 host-acks=0 "
            "ignored-bytes=0 dropped-frames=2 faulted-frames=0 off=0 no-ack=0 no-reply=0 "
            "ack-delay=0 reply-delay=0 bad-checksum=0 noise=0 trailing=0 error=0 paper-end=0 "
            "long=0 short=3");
}

}  // namespace
}  // namespace tavirel::sim
