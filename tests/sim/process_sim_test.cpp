// `tavirel sim` as a program: it keeps answering when nobody reads its
// journal, a stop signal ends it at once whatever it is doing, its console
// arms switches and tells its state, and a link path that exists is refused with nothing removed.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>

#include "driver_on_device.hpp"
#include "sim_process.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/posix_serial_port.hpp"
#include "tavirel/tavirel_control.hpp"
#include "temp_dir.hpp"

namespace tavirel::sim {
namespace {

using test::ControlOn;

using std::chrono::milliseconds;
using std::chrono::seconds;

// Receipts of five lines each; false at the first one not answered.
bool WriteReceipts(TavirelControl& c, int receipts) {
  for (int r = 0; r < receipts; ++r) {
    for (int line = 0; line < 5; ++line) {
      if (c.opReparto(1, "ARTICOLO DI PROVA", Currency::FromUnits(100 + line), 1) != OP_OK)
        return false;
    }
    if (c.opContante(1) != OP_OK) return false;
  }
  return true;
}

TEST(ProcessSim, AJournalNobodyReadsNeverStopsTheRegister) {
  test::SimProcess sim({"--journal"});  // its output is never read after the device
  auto c = ControlOn(sim.Device());
  // About 700 bytes of journal a receipt: the pipe fills after some ninety.
  EXPECT_TRUE(WriteReceipts(*c, 400));
  EXPECT_EQ(c->LastNumSF(), 400);
  c->PortClose();
  sim.Signal(SIGTERM);
  EXPECT_EQ(sim.Wait(seconds(5)), 0) << "did not stop with its output blocked";
}

TEST(ProcessSim, AStopSignalEndsItAtOnceWhateverItDoes) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::vector<std::string> console;  // commands before the signal
    bool closure_under_way;            // a 4-second fiscal closure in progress
    int signal;
  };
  const Case cases[] = {
      {"serving, SIGTERM", {}, {}, false, SIGTERM},
      {"serving, SIGINT", {}, {}, false, SIGINT},
      {"serving, SIGHUP", {}, {}, false, SIGHUP},
      {"switched off", {"--control"}, {"power off"}, false, SIGTERM},
      {"printing a closure", {"--realistic"}, {}, true, SIGTERM},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::SimProcess sim(c.args);
    for (const auto& command : c.console) {
      sim.WriteLine(command);
      EXPECT_EQ(sim.ReadLine(), "OK " + command);
    }
    std::thread host;
    if (c.closure_under_way) {
      host = std::thread([device = sim.Device()] {
        try {
          ControlOn(device)->opZChiusuraFisc(1);  // the register goes away under it
        } catch (const TavirelError&) {
        }
      });
      std::this_thread::sleep_for(milliseconds(300));
    }
    const auto start = std::chrono::steady_clock::now();
    sim.Signal(c.signal);
    EXPECT_EQ(sim.Wait(seconds(5)), 0);  // a machine under load may be slow, a hang is not
    EXPECT_LT(std::chrono::steady_clock::now() - start, seconds(3));
    if (host.joinable()) host.join();
  }
}

TEST(ProcessSim, TheConsoleArmsSwitchesAndCountsThem) {
  test::SimProcess sim({"--control", "--serial", "654321"});
  auto c = ControlOn(sim.Device());
  sim.WriteLine("fault error=21");  // a once-switch: for the next command
  EXPECT_EQ(sim.ReadLine(), "OK fault error=21");
  EXPECT_EQ(c->opReadMatrFisc(1), EERR);
  EXPECT_EQ(c->LastEERR(), 21);
  EXPECT_EQ(c->opReadMatrFisc(1), OP_OK);
  EXPECT_EQ(c->LastMatrFisc(), 654321);
  sim.WriteLine("stats");
  const std::string stats = sim.ReadLine();
  EXPECT_NE(stats.find(" frames=3 "), std::string::npos) << stats;  // the probe too
  EXPECT_NE(stats.find(" error=1 "), std::string::npos) << stats;
  sim.WriteLine("gremlins");
  EXPECT_EQ(sim.ReadLine().rfind("ERROR unknown command", 0), 0u);
}

TEST(ProcessSim, ASwitchOnACodeWaitsPastTheProbeAndTheStateSaysSo) {
  test::SimProcess sim({"--control", "--fault", "error=22:1050", "--fault", "no-ack#9"});
  auto c = ControlOn(sim.Device());  // the probe, 4201, goes through
  EXPECT_EQ(c->opReadMatrFisc(1), OP_OK);
  EXPECT_EQ(c->opApriCassetto(1), EERR);
  EXPECT_EQ(c->LastEERR(), 22);
  sim.WriteLine("state");
  const std::string state = sim.ReadLine();
  EXPECT_NE(state.find("\"faults\":[\"no-ack#6\"]"), std::string::npos) << state;
  EXPECT_EQ(state.rfind("{\"power\":true,", 0), 0u) << state;
}

TEST(ProcessSim, ALinkPathThatExistsIsRefusedWithNothingRemoved) {
  test::TempDir dir;
  const std::string file = dir / "register";
  std::ofstream(file) << "keep me";
  const test::EndedRun run = test::SimProcess::RunToEnd({"--link", file});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find(file), std::string::npos) << run.err;
  std::ifstream in(file);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep me");
}

}  // namespace
}  // namespace tavirel::sim
