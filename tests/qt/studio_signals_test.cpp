// tavirel-studio stopped by a signal leaves through its event loop (so every
// control closes its port) and says which signal ended it.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <csignal>
#include <string>

#include "cli/child_process.hpp"

namespace tavirel::studio {
namespace {

TEST(StudioSignals, AStopSignalEndsTheStudioThroughItsEventLoop) {
  char folder[] = "/tmp/tavirel-studio-XXXXXX";
  ASSERT_NE(::mkdtemp(folder), nullptr);
  const std::pair<int, int> cases[] = {{SIGTERM, 143}, {SIGINT, 130}, {SIGHUP, 129}};
  for (const auto& [signal, status] : cases) {
    // The simulated register holds a control's port open (when built with it).
    testing::ChildProcess studio({TAVIREL_STUDIO_PATH, "-f", std::string(folder) + "/form.json",
                                  "-s", "-platform", "offscreen"});
    ASSERT_TRUE(studio.WaitForHandler(signal)) << signal;
    studio.Signal(signal);
    const testing::ProgramResult end = studio.Finish(std::chrono::seconds(20));
    EXPECT_EQ(end.status, status) << "signal " << signal << "\n" << end.err;
  }
  std::remove((std::string(folder) + "/form.json").c_str());
  ::rmdir(folder);
}

}  // namespace
}  // namespace tavirel::studio
