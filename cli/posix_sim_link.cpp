// The register on a pseudo-terminal of its own.
#include "sim_link.hpp"
#include "tavirel/sim/pty_server.hpp"

namespace tavirel::cli {

struct SimLink::State {
  sim::PtySimulator sim;
};

SimLink::SimLink(const SimLinkOptions& options)
    : state_(std::make_unique<State>(
          State{sim::StartOnPty(MakeSimOptions(options), sim::PtyOptions{options.link_path})})) {}

SimLink::~SimLink() = default;

const std::string& SimLink::DevicePath() const { return state_->sim.server->DevicePath(); }

sim::SimulatedRegister& SimLink::Register() { return *state_->sim.reg; }

std::unique_ptr<SerialPort> SimLink::TakeHostPort() { return nullptr; }

std::exception_ptr SimLink::Failure() const { return state_->sim.server->Failure(); }

}  // namespace tavirel::cli
