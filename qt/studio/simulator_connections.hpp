#pragma once
// Simulated registers started by the studio, each on the in-memory line of
// one control and served by a thread of its own until the studio closes.
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace tavirel {
class TavirelControl;
}

namespace tavirel::studio {

/// The wall clock the registers' own clocks run on (the system clock when empty).
using SimulatorWallClock = std::function<std::chrono::system_clock::time_point()>;

class SimulatorConnections {
 public:
  explicit SimulatorConnections(SimulatorWallClock wall = {});
  ~SimulatorConnections();

  /// False in a build without the simulated register.
  static bool Available();
  /// Starts a register and returns a new control on its line; `caption`
  /// receives a description of the line. Throws TavirelError when the build
  /// has no simulated register.
  std::unique_ptr<TavirelControl> Start(QString& caption);

 private:
  struct Running;
  SimulatorWallClock wall_;
  std::vector<std::unique_ptr<Running>> running_;
};

}  // namespace tavirel::studio
