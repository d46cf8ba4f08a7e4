// Each fault switch against the real driver: the result code, the FPError
// event and the time it took, in virtual time.
#include <gtest/gtest.h>

#include "driver_rig.hpp"
#include "tavirel/sim/printer_errors.hpp"

namespace tavirel::sim {
namespace {

using test::DriverRig;
using test::Euro;
using test::Units;

using Event = std::pair<std::int16_t, std::int32_t>;

class DriverFaults : public ::testing::Test {
 protected:
  DriverRig rig;
  TavirelControl& c = *rig.ctl;

  void Arm(const char* entry) { rig.reg->ArmFault(ParseFaultSwitch(entry)); }
  std::vector<Event> Events() { return std::exchange(rig.events, {}); }
};

TEST_F(DriverFaults, RegisterOffLowersCtsAndNothingIsSent) {
  const int frames = rig.reg->Stats().frames;
  const std::int16_t counter = c.FrameCounter();
  rig.reg->SetPower(false);
  EXPECT_EQ(c.opApriCassetto(1), OP_ERR_NOCOLL);
  EXPECT_EQ(Events(), (std::vector<Event>{{OP_ERR_NOCOLL, 0}}));
  EXPECT_EQ(rig.reg->Stats().frames, frames);
  EXPECT_EQ(c.FrameCounter(), counter);
  rig.reg->SetPower(true);
  EXPECT_EQ(c.opApriCassetto(1), OP_OK);
}

TEST_F(DriverFaults, OffSwitchSwallowsTheCommandThenCtsComesBack) {
  Arm("off=5000");
  double seconds = rig.Timed([&] { EXPECT_EQ(c.opApriCassetto(1), OP_ERR_TIMEOUT); });
  EXPECT_GE(seconds, 2.0);
  EXPECT_LE(seconds, 3.0);
  EXPECT_EQ(Events(), (std::vector<Event>{{OP_ERR_TIMEOUT, 0}}));
  EXPECT_EQ(c.opApriCassetto(1), OP_ERR_NOCOLL);  // still off 3 s later
  rig.clock->Advance(std::chrono::seconds(3));
  rig.link->Pump();
  EXPECT_EQ(c.opApriCassetto(1), OP_OK);
}

TEST_F(DriverFaults, NoAckTimesOutAfterThreeSecondsThoughTheReplyCame) {
  Arm("no-ack");
  const double seconds = rig.Timed([&] { EXPECT_EQ(c.opApriCassetto(1), OP_ERR_TIMEOUT); });
  EXPECT_GE(seconds, 2.0);
  EXPECT_LE(seconds, 3.0);
  EXPECT_EQ(Events(), (std::vector<Event>{{OP_ERR_TIMEOUT, 0}}));
  EXPECT_EQ(rig.reg->Stats().replies_sent, rig.reg->Stats().frames);
}

TEST_F(DriverFaults, NoReplyTimesOutAfterTheOperationsLimitAndTheCommandWasCarriedOut) {
  Arm("no-reply");
  const double seconds =
      rig.Timed([&] { EXPECT_EQ(c.opReparto(1, "PANE", Euro("1.00"), 1), OP_ERR_TIMEOUT); });
  EXPECT_GE(seconds, 9.0);
  EXPECT_LE(seconds, 10.0);
  EXPECT_EQ(Events(), (std::vector<Event>{{OP_ERR_TIMEOUT, 0}}));
  EXPECT_EQ(rig.reg->State().phase, Phase::Sale);
}

TEST_F(DriverFaults, AckDelayWithinAndBeyondThreeSeconds) {
  Arm("ack-delay=1500");
  EXPECT_EQ(c.opApriCassetto(1), OP_OK);
  Arm("ack-delay=3500");
  EXPECT_EQ(c.opApriCassetto(1), OP_ERR_TIMEOUT);
  EXPECT_EQ(Events(), (std::vector<Event>{{OP_ERR_TIMEOUT, 0}}));
}

TEST_F(DriverFaults, ReplyDelayAgainstEachLimit) {
  Arm("reply-delay=8000");
  EXPECT_EQ(c.opApriCassetto(1), OP_OK);  // limit 10 s
  Arm("reply-delay=15000");
  EXPECT_EQ(c.opXTotFinGior(1), OP_OK);  // limit 20 s
  Arm("reply-delay=8000");
  EXPECT_EQ(c.opReadDataOra(), OP_ERR_TIMEOUT);  // limit 5 s
  EXPECT_EQ(Events(), (std::vector<Event>{{OP_ERR_TIMEOUT, 0}}));
}

TEST_F(DriverFaults, BadChecksumGivesChksAndTheReplyIsNotAcknowledged) {
  rig.link->Pump();  // the probe's ACK
  const int acks = rig.reg->Stats().host_acks;
  Arm("bad-checksum");
  EXPECT_EQ(c.opApriCassetto(1), OP_ERR_CHKS);
  EXPECT_EQ(Events(), (std::vector<Event>{{OP_ERR_CHKS, 0}}));
  EXPECT_EQ(c.LastOPCode(), 0);
  rig.link->Pump();
  EXPECT_EQ(rig.reg->Stats().host_acks, acks);
  EXPECT_EQ(c.opApriCassetto(1), OP_OK);
  rig.link->Pump();
  EXPECT_EQ(rig.reg->Stats().host_acks, acks + 1);
}

TEST_F(DriverFaults, NoiseBeforeTheReplyIsDropped) {
  Arm("noise");
  ASSERT_EQ(c.opReparto(1, "PANE", Euro("1.50"), 2), OP_OK);
  EXPECT_EQ(c.LastImp(), Units(150));
  EXPECT_TRUE(Events().empty());
}

TEST_F(DriverFaults, TrailingCharactersAreEmptiedBeforeTheNextRequest) {
  Arm("trailing");
  EXPECT_EQ(c.opApriCassetto(1), OP_OK);
  ASSERT_EQ(c.opReadMatrFisc(2), OP_OK);
  EXPECT_EQ(c.LastMatrFisc(), 123456);
  EXPECT_EQ(c.LastOP(), 2);
}

TEST_F(DriverFaults, ErrorReplyWithANumberAndWithBlanks) {
  Arm("error=21");
  EXPECT_EQ(c.opApriCassetto(1), EERR);
  EXPECT_EQ(c.LastEERR(), 21);
  EXPECT_EQ(Events(), (std::vector<Event>{{-1, 21}}));
  Arm("error=blank");
  EXPECT_EQ(c.opApriCassetto(1), EERR);
  EXPECT_EQ(c.LastEERR(), 0);
  EXPECT_TRUE(Events().empty());
}

TEST_F(DriverFaults, PaperEndUntilRefilledAndRestarted) {
  Arm("paper-end");
  EXPECT_EQ(c.opReparto(1, "PANE", Euro("1.50"), 2), EERR);
  EXPECT_EQ(c.LastEERR(), perr::kCartaScontrino);
  EXPECT_EQ(c.GetLastErrorDescription(-1, 2), "CARTA SCONTRINO");
  EXPECT_EQ(c.opXTotFinGior(1), EERR);
  EXPECT_EQ(c.opReadDataOra(), OP_OK);
  EXPECT_EQ(c.opRiavvioStampaDaFineCarta(1), EERR);
  EXPECT_TRUE(rig.reg->PaperOut());
  rig.reg->RefillPaper();
  EXPECT_EQ(c.opReparto(1, "PANE", Euro("1.50"), 2), EERR);
  EXPECT_EQ(c.opRiavvioStampaDaFineCarta(1), OP_OK);
  EXPECT_EQ(c.opReparto(1, "PANE", Euro("1.50"), 2), OP_OK);
}

TEST_F(DriverFaults, PaperEndRefilledByItselfAfterItsTime) {
  Arm("paper-end=2000");
  EXPECT_EQ(c.opApriCassetto(1), OP_OK);  // the drawer prints nothing
  EXPECT_TRUE(rig.reg->PaperOut());
  rig.clock->Advance(std::chrono::seconds(2));
  EXPECT_EQ(c.opRiavvioStampaDaFineCarta(1), OP_OK);
  EXPECT_FALSE(rig.reg->PaperOut());
}

TEST_F(DriverFaults, OneCharacterTooLongOrShortDecodesNothing) {
  Arm("long");
  EXPECT_EQ(c.opApriCassetto(1), OP_OK);
  EXPECT_EQ(c.LastOPCode(), 0);
  EXPECT_EQ(c.LastNumSNF(), 0);
  ASSERT_EQ(c.opReparto(1, "PANE", Euro("1.50"), 2), OP_OK);
  Arm("short");
  EXPECT_EQ(c.opContante(1), OP_OK);
  EXPECT_EQ(c.LastOPCode(), OP_CODE_CONT_REST);  // chosen by code, then not decoded
  EXPECT_EQ(c.LastRest(), Units(0));
  EXPECT_EQ(c.LastNumSF(), 0);
  EXPECT_EQ(rig.reg->State().day.totals.receipts, 1);
}

// Switches given at start, before the host opens the port: the opening probe
// (4201) is a command too, so a plain once-switch is spent on it, while one
// on the N-th command or on a code waits for the host's own command.
TEST(DriverFaultMoments, ASwitchGivenAtStartFiresWhereAskedAndTheProbeGoesThrough) {
  enum Op { Drawer, Sale, Cash };
  struct Row {
    const char* fault;
    std::vector<Op> ops;
    std::vector<int> results;  // EERR carries LastEERR as its error
    int eerr;
  };
  const Row rows[] = {
      {"error=22", {Drawer}, {OP_OK}, 0},  // spent on the probe
      {"error=22#2", {Drawer, Drawer}, {EERR, OP_OK}, 22},
      {"error=22#3", {Drawer, Drawer, Drawer}, {OP_OK, EERR, OP_OK}, 22},
      {"error=22:1036", {Drawer, Sale, Cash, Cash}, {OP_OK, OP_OK, EERR, OP_OK}, 22},
      {"paper-end:1003", {Drawer, Sale}, {OP_OK, EERR}, perr::kCartaScontrino},
      {"error=blank:1050", {Sale, Drawer, Drawer}, {OP_OK, EERR, OP_OK}, 0},
  };
  for (const Row& row : rows) {
    SimOptions options;
    options.faults.push_back(ParseFaultSwitch(row.fault));
    DriverRig rig(options);
    TavirelControl& c = *rig.ctl;
    const bool spent_on_probe = row.results == std::vector<int>{OP_OK};
    EXPECT_EQ(rig.reg->Stats().faulted_frames, spent_on_probe ? 1 : 0) << row.fault;
    for (std::size_t i = 0; i < row.ops.size(); ++i) {
      int result = 0;
      switch (row.ops[i]) {
        case Drawer: result = c.opApriCassetto(1); break;
        case Sale: result = c.opReparto(1, "PANE", Euro("1.50"), 2); break;
        case Cash: result = c.opContante(1, Euro("1.00")); break;
      }
      EXPECT_EQ(result, row.results[i]) << row.fault << ", command " << i;
      if (result == EERR) {
        EXPECT_EQ(c.LastEERR(), row.eerr) << row.fault;
      }
    }
    EXPECT_TRUE(rig.reg->ArmedFaults().empty()) << row.fault;
  }
}

TEST_F(DriverFaults, CtsHeldLowStopsTheHostWithThePowerOn) {
  rig.reg->SetClearToSend(false);
  EXPECT_EQ(c.opApriCassetto(1), OP_ERR_NOCOLL);
  EXPECT_TRUE(rig.reg->Powered());
  rig.reg->SetPower(false);
  rig.reg->SetPower(true);  // the power does not let CTS go
  EXPECT_EQ(c.opApriCassetto(1), OP_ERR_NOCOLL);
  rig.reg->SetClearToSend(true);
  EXPECT_EQ(c.opApriCassetto(1), OP_OK);
  EXPECT_EQ(Events(), (std::vector<Event>{{OP_ERR_NOCOLL, 0}, {OP_ERR_NOCOLL, 0}}));
}

TEST_F(DriverFaults, RandomFaultsAtARateLeaveTheDriverConsistent) {
  rig.reg->SeedFaults(7);
  for (const char* entry : {"noise@0.3", "trailing@0.3", "ack-delay=1000@0.3"}) Arm(entry);
  int ok = 0;
  for (int i = 0; i < 20; ++i) ok += c.opReadDataOra() == OP_OK;
  EXPECT_EQ(ok, 20);
  EXPECT_TRUE(Events().empty());
}

}  // namespace
}  // namespace tavirel::sim
