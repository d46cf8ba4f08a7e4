// `tavirel sim` as a server: its device first, then (with --journal) the
// journal as it prints, until it is told to stop.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include "child_process.hpp"

namespace tavirel::testing {
namespace {

TEST(ProgramSim, ServesOnItsDeviceAndPrintsTheJournalUntilStopped) {
  const std::string link = ::testing::TempDir() + "tavirel_sim_link_" + std::to_string(::getpid());
  ChildProcess sim({ProgramPath(), "sim", "--link", link, "--journal"});
  const std::string device = sim.ReadLine();
  ASSERT_EQ(device.rfind("DEVICE /dev/pts/", 0), 0u) << device;

  const ProgramResult call =
      RunTavirel({"call", "--device", link, "opReparto 1 PANE 1.50 1", "opContante 1 2"});
  EXPECT_EQ(call.status, 0) << call.err;

  std::vector<std::string> journal;
  for (std::string line;
       (line = sim.ReadLine(std::chrono::seconds(5))).find("SF. 0001") == std::string::npos;) {
    ASSERT_LT(journal.size(), 100u) << "no closing line";
    ASSERT_EQ(line.rfind("| ", 0), 0u) << line;
    journal.push_back(line);
  }
  const auto has = [&](const std::string& text) {
    return std::any_of(journal.begin(), journal.end(),
                       [&](const std::string& l) { return l.find(text) != std::string::npos; });
  };
  EXPECT_TRUE(has("PANE"));
  EXPECT_TRUE(has("RESTO"));
  sim.Signal(SIGTERM);
  const ProgramResult end = sim.Finish(std::chrono::seconds(10));
  EXPECT_EQ(end.status, 0) << end.err;
  EXPECT_EQ(::access(link.c_str(), F_OK), -1) << "the link outlived the server";
}

TEST(ProgramSim, ABadFaultSwitchIsAUsageError) {
  const ProgramResult run = RunTavirel({"sim", "--fault", "gremlins"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err.rfind("tavirel: ", 0), 0u) << run.err;
  EXPECT_NE(run.err.find("gremlins"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace tavirel::testing
