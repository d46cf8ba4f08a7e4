#include "simulator_connections.hpp"

#include "tavirel/errors.hpp"
#include "tavirel/null_modem.hpp"
#include "tavirel/tavirel_control.hpp"

#ifdef TAVIREL_STUDIO_WITH_SIM
#include "tavirel/sim/null_modem_link.hpp"
#include "tavirel/sim/simulated_register.hpp"
#endif

namespace tavirel::studio {

#ifdef TAVIREL_STUDIO_WITH_SIM

struct SimulatorConnections::Running {
  std::unique_ptr<sim::SimulatedRegister> reg;
  std::unique_ptr<sim::ThreadedLink> link;  // stops serving before the register goes
};

bool SimulatorConnections::Available() { return true; }

std::unique_ptr<TavirelControl> SimulatorConnections::Start(QString& caption) {
  auto running = std::make_unique<Running>();
  sim::SimOptions options;
  options.wall = wall_;
  running->reg = std::make_unique<sim::SimulatedRegister>(std::move(options));
  auto ends = MakeNullModemPair();
  running->link = std::make_unique<sim::ThreadedLink>(*running->reg, std::move(ends.second));
  auto control = std::make_unique<TavirelControl>(std::move(ends.first));
  running_.push_back(std::move(running));
  caption = QString("registratore simulato %1").arg(running_.size());
  return control;
}

#else

struct SimulatorConnections::Running {};

bool SimulatorConnections::Available() { return false; }

std::unique_ptr<TavirelControl> SimulatorConnections::Start(QString& /*caption*/) {
  throw TavirelError("questa versione di tavirel-studio non ha il registratore simulato");
}

#endif

SimulatorConnections::SimulatorConnections(SimulatorWallClock wall) : wall_(std::move(wall)) {}
SimulatorConnections::~SimulatorConnections() = default;

}  // namespace tavirel::studio
