// End to end through an independently written serial server: Debian's
// ser2net carries the simulated register's pseudo-terminal over TCP, raw and
// with Telnet COM-port control, and the real driver talks to it through our
// network ports. Every fault switch gives the same results as on the local
// pseudo-terminal; a killed server is a hang-up within a second. The
// driver's clock runs ten times faster than real time, so the reply limits
// of seconds pass in tenths.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <thread>

#include "ser2net_process.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/port_factory.hpp"
#include "tavirel/sim/faults.hpp"
#include "tavirel/sim/pty_server.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel {
namespace {

using namespace std::chrono_literals;
using test::Ser2net;
using Event = std::pair<std::int16_t, std::int32_t>;
using SteadyNow = std::chrono::steady_clock;

constexpr int kSpeedUp = 10;
constexpr std::int32_t kNoEerr = -2;  // LastEERR after a call without an error reply

/// The steady clock, `kSpeedUp` times faster.
class FastClock final : public Clock {
 public:
  time_point Now() override { return origin_ + (SteadyNow::now() - origin_) * kSpeedUp; }

 private:
  time_point origin_ = SteadyNow::now();
};

enum class Line { LocalPty, Raw, Rfc2217 };

std::string LineName(const testing::TestParamInfo<Line>& info) {
  switch (info.param) {
    case Line::LocalPty: return "LocalPty";
    case Line::Raw: return "Ser2netRaw";
    case Line::Rfc2217: return "Ser2netRfc2217";
  }
  return "";
}

// The register on a pseudo-terminal, reached directly or through ser2net.
struct Rig {
  sim::PtySimulator sim;
  std::unique_ptr<Ser2net> server;
  std::unique_ptr<TavirelControl> ctl;
  std::vector<Event> events;

  Rig(Line line, std::shared_ptr<Clock> clock, const std::string& query = "?cts=ignore") {
    sim = sim::StartOnPty(sim::SimOptions{});
    std::string name = sim.server->DevicePath();
    if (line != Line::LocalPty) {
      server = std::make_unique<Ser2net>(
          name, line == Line::Raw ? Ser2net::Mode::Raw : Ser2net::Mode::Rfc2217);
      name = line == Line::Raw ? server->Url("tcp") : server->Url("rfc2217", query);
    }
    ctl = std::make_unique<TavirelControl>(MakePort(name), std::move(clock));
    ctl->Initialize();
    ctl->InitProperties();
    HostHooks hooks;
    hooks.fp_error = [this](std::int16_t& level, std::int32_t& code) {
      events.emplace_back(level, code);
    };
    ctl->SetHooks(hooks);
    ctl->EuroSettings(TVL_EUROSETTINGS_EURO);
    ctl->PortOpen();
  }
  // Lets whatever the register still has to send leave and cross the line.
  void Settle() const {
    const auto end = SteadyNow::now() + 2s;
    while (sim.reg->NextDue() && SteadyNow::now() < end) std::this_thread::sleep_for(10ms);
    std::this_thread::sleep_for(20ms);
  }
};

class ThroughSer2net : public testing::TestWithParam<Line> {
 protected:
  void SetUp() override {
    if (GetParam() != Line::LocalPty && test::Ser2netProgram().empty())
      GTEST_SKIP() << "ser2net is not installed (Debian package ser2net)";
  }
};

TEST_P(ThroughSer2net, WholeReceipt) {
  Rig rig(GetParam(), std::make_shared<SteadyClock>());
  TavirelControl& c = *rig.ctl;
  ASSERT_EQ(c.opReparto(1, "CAFFÈ", Currency::Parse("1.50"), 2), OP_OK);
  EXPECT_EQ(c.LastImp(), Currency::FromUnits(150));
  ASSERT_EQ(c.opRepartoQDec(1, "MELE", 0.75f, Currency::Parse("2.00"), 1), OP_OK);
  ASSERT_EQ(c.opSubTot(1), OP_OK);
  EXPECT_EQ(c.LastSubTotFisc(), Currency::FromUnits(300));
  ASSERT_EQ(c.opContante(1, Currency::Parse("1.00")), OP_OK);
  EXPECT_EQ(c.LastOPCode(), OP_CODE_CONT_RIM);
  ASSERT_EQ(c.opContante(1, Currency::Parse("5.00")), OP_OK);
  EXPECT_EQ(c.LastRest(), Currency::FromUnits(300));
  EXPECT_EQ(c.LastNumSF(), 1);
  EXPECT_EQ(rig.sim.reg->State().day.totals.receipts, 1);
  EXPECT_EQ(rig.sim.reg->State().day.totals.sales, 300);
  const auto documents = rig.sim.reg->JournalDocuments();
  ASSERT_FALSE(documents.empty());
  bool accented = false;  // a byte above 127 crossed intact
  for (const auto& line : documents.back().lines)
    accented |= line.find("CAFFÈ") != std::string::npos;
  EXPECT_TRUE(accented);
  EXPECT_TRUE(rig.events.empty());
}

struct FaultRow {
  const char* fault;  // armed before the call ("" for none)
  std::function<std::int16_t(TavirelControl&)> call;
  std::int16_t result;
  std::int32_t eerr;
  std::vector<Event> events;
  std::function<void(Rig&)> after = {};  // puts the register back for the next row
};

std::int16_t Drawer(TavirelControl& c) { return c.opApriCassetto(1); }
std::int16_t Clock5s(TavirelControl& c) { return c.opReadDataOra(); }
std::int16_t Sale(TavirelControl& c) { return c.opReparto(1, "PANE", Currency::Parse("1.50"), 2); }

// Limits at ten times speed: the ACK's 3 s are 0.3 s, opReadDataOra's 5 s
// are 0.5 s, the drawer's 10 s are 1 s. Delays are real milliseconds.
TEST_P(ThroughSer2net, EveryFaultSwitchGivesTheResultOfTheLocalLine) {
  Rig rig(GetParam(), std::make_shared<FastClock>());
  const std::vector<FaultRow> rows = {
      {"off=100", Drawer, OP_ERR_TIMEOUT, kNoEerr, {{OP_ERR_TIMEOUT, 0}}},
      {"no-ack", Drawer, OP_ERR_TIMEOUT, kNoEerr, {{OP_ERR_TIMEOUT, 0}}},
      {"no-reply", Clock5s, OP_ERR_TIMEOUT, kNoEerr, {{OP_ERR_TIMEOUT, 0}}},
      {"ack-delay=100", Drawer, OP_OK, kNoEerr, {}},
      {"ack-delay=450", Drawer, OP_ERR_TIMEOUT, kNoEerr, {{OP_ERR_TIMEOUT, 0}}},
      {"reply-delay=300", Drawer, OP_OK, kNoEerr, {}},
      {"bad-checksum", Drawer, OP_ERR_CHKS, kNoEerr, {{OP_ERR_CHKS, 0}}},
      {"noise", Sale, OP_OK, kNoEerr, {}},
      {"trailing", Drawer, OP_OK, kNoEerr, {}},
      {"", Clock5s, OP_OK, kNoEerr, {}},  // the trailing bytes were emptied first
      {"error=21", Drawer, EERR, 21, {{-1, 21}}},
      {"error=blank", Drawer, EERR, 0, {}},
      {"long", Drawer, OP_OK, kNoEerr, {}},
      {"short", Clock5s, OP_OK, kNoEerr, {}},
      {"paper-end",
       Sale,
       EERR,
       2,
       {{-1, 2}},
       [](Rig& r) {
         r.sim.reg->RefillPaper();
         EXPECT_EQ(r.ctl->opRiavvioStampaDaFineCarta(1), OP_OK);
       }},
      {"", Sale, OP_OK, kNoEerr, {}},
  };
  for (const auto& row : rows) {
    if (*row.fault) rig.sim.reg->ArmFault(sim::ParseFaultSwitch(row.fault));
    rig.events.clear();
    EXPECT_EQ(row.call(*rig.ctl), row.result) << row.fault;
    EXPECT_EQ(rig.ctl->LastEERR(), row.eerr) << row.fault;
    EXPECT_EQ(rig.events, row.events) << row.fault;
    if (row.after) row.after(rig);
    rig.Settle();
  }
  const int armed = static_cast<int>(
      std::count_if(rows.begin(), rows.end(), [](const FaultRow& r) { return *r.fault != 0; }));
  EXPECT_EQ(rig.sim.reg->Stats().faulted_frames, armed);  // each switch fired, once
  EXPECT_EQ(rig.sim.server->Failure(), nullptr);
}

class Ser2netWaits : public ThroughSer2net {};

TEST_P(Ser2netWaits, KilledServerIsAHangUpWithinASecond) {
  Rig rig(GetParam(), std::make_shared<SteadyClock>());
  ASSERT_EQ(rig.ctl->opReadDataOra(), OP_OK);
  rig.sim.reg->ArmFault(sim::ParseFaultSwitch("no-reply"));
  SteadyNow::time_point killed;
  std::thread killer([&] {
    std::this_thread::sleep_for(300ms);
    killed = SteadyNow::now();
    rig.server->Kill();
  });
  try {
    (void)rig.ctl->opApriCassetto(1);  // waits up to 10 s for a reply that never comes
    ADD_FAILURE() << "the wait ended without an error";
  } catch (const SerialError& e) {
    EXPECT_NE(std::string(e.what()).find("hung up"), std::string::npos) << e.what();
    EXPECT_NE(
        std::string(e.what()).find(rig.server->Url(GetParam() == Line::Raw ? "tcp" : "rfc2217")),
        std::string::npos)
        << e.what();
  }
  const auto reported = SteadyNow::now();
  killer.join();
  EXPECT_LT(reported - killed, 1s);
  EXPECT_FALSE(rig.ctl->PortIsOpen());
  EXPECT_EQ(rig.ctl->opReadDataOra(), OP_ERR_PORTCLOSE);
}

TEST_P(Ser2netWaits, CancelWaitEndsItAtOnce) {
  Rig rig(GetParam(), std::make_shared<SteadyClock>());
  rig.sim.reg->ArmFault(sim::ParseFaultSwitch("no-reply"));
  std::thread canceller([&] {
    std::this_thread::sleep_for(200ms);
    rig.ctl->CancelWait();
  });
  const auto start = SteadyNow::now();
  try {
    (void)rig.ctl->opApriCassetto(1);
    ADD_FAILURE() << "the wait was not cancelled";
  } catch (const CancelledError& e) {
    EXPECT_TRUE(e.request_sent());
  }
  canceller.join();
  EXPECT_LT(SteadyNow::now() - start, 1s);
  EXPECT_TRUE(rig.ctl->PortIsOpen());  // a cancel is no hang-up
  rig.Settle();
  EXPECT_EQ(rig.ctl->opReadDataOra(), OP_OK);
}

// The round trip of one short request, median of 30, against the local
// pseudo-terminal's; the figures are printed for the documentation.
TEST_P(ThroughSer2net, RoundTripWakesOnTheReplyWithoutWaitingOutASlice) {
  Rig rig(GetParam(), std::make_shared<SteadyClock>());
  std::vector<double> ms;
  for (int i = 0; i < 30; ++i) {
    const auto start = SteadyNow::now();
    ASSERT_EQ(rig.ctl->opReadDataOra(), OP_OK);
    ms.push_back(std::chrono::duration<double, std::milli>(SteadyNow::now() - start).count());
  }
  std::sort(ms.begin(), ms.end());
  std::printf("round trip %s: median %.2f ms, best %.2f ms, worst %.2f ms\n",
              LineName({GetParam(), 0}).c_str(), ms[15], ms[0], ms.back());
  EXPECT_LT(ms[15], 15.0);
}

INSTANTIATE_TEST_SUITE_P(Lines, ThroughSer2net,
                         testing::Values(Line::LocalPty, Line::Raw, Line::Rfc2217), LineName);
INSTANTIATE_TEST_SUITE_P(Lines, Ser2netWaits, testing::Values(Line::Raw, Line::Rfc2217), LineName);

// Measured: ser2net reports all modem lines low for a pseudo-terminal. A
// port that follows CTS (the default) therefore sees a register switched
// off, and nothing is written.
TEST(Ser2netModemState, FollowingCtsOfAPseudoTerminalLooksLikeARegisterSwitchedOff) {
  if (test::Ser2netProgram().empty()) GTEST_SKIP() << "ser2net is not installed";
  Rig rig(Line::Rfc2217, std::make_shared<SteadyClock>(), "");
  EXPECT_EQ(rig.ctl->opReadDataOra(), OP_ERR_NOCOLL);
  EXPECT_EQ(rig.events, (std::vector<Event>{{OP_ERR_NOCOLL, 0}}));
  EXPECT_EQ(rig.sim.reg->Stats().frames, 0);  // not even the probe went out
}

}  // namespace
}  // namespace tavirel
