// The built-in register on a pseudo-terminal of its own.
#include "builtin_register.hpp"
#include "tavirel/port_factory.hpp"
#include "tavirel/sim/pty_server.hpp"

namespace tavirel::service {

struct BuiltInRegister::State {
  sim::PtySimulator sim;
};

BuiltInRegister::BuiltInRegister(sim::SimOptions options)
    : state_(std::make_unique<State>(State{sim::StartOnPty(std::move(options))})) {}

BuiltInRegister::~BuiltInRegister() = default;

std::unique_ptr<SerialPort> BuiltInRegister::MakePort() {
  return tavirel::MakePort(state_->sim.server->DevicePath());
}

sim::SimulatedRegister& BuiltInRegister::Register() const noexcept { return *state_->sim.reg; }

}  // namespace tavirel::service
