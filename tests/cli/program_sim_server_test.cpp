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
  const std::string device = sim.ReadLine(std::chrono::seconds(60));
  ASSERT_EQ(device.rfind("DEVICE /dev/pts/", 0), 0u) << device;

  const ProgramResult call =
      RunTavirel({"call", "--device", link, "opReparto 1 PANE 1.50 1", "opContante 1 2"});
  EXPECT_EQ(call.status, 0) << call.err;

  // Waits for the closing line itself, however loaded the machine (a bound
  // of a minute in all, not a fixed time per line).
  std::vector<std::string> journal;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  for (std::string line; line.find("SF. 0001") == std::string::npos;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    ASSERT_GT(left.count(), 0) << "no closing line within a minute";
    ASSERT_LT(journal.size(), 100u) << "no closing line";
    line = sim.ReadLine(left);
    if (line.empty()) continue;  // nothing yet
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
