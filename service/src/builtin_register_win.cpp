// The built-in register in process: a thread serves the far end of a
// null-modem pair whose near end is the control's port. Each port gets a
// new pair, as a reopened pseudo-terminal would be a new line.
#include "builtin_register.hpp"
#include "tavirel/null_modem.hpp"
#include "tavirel/sim/null_modem_link.hpp"

namespace tavirel::service {

struct BuiltInRegister::State {
  std::unique_ptr<sim::SimulatedRegister> reg;
  std::unique_ptr<sim::ThreadedLink> link;
};

BuiltInRegister::BuiltInRegister(sim::SimOptions options) : state_(std::make_unique<State>()) {
  state_->reg = std::make_unique<sim::SimulatedRegister>(std::move(options));
}

BuiltInRegister::~BuiltInRegister() {
  state_->link.reset();  // the thread goes before the register it serves
}

std::unique_ptr<SerialPort> BuiltInRegister::MakePort() {
  state_->link.reset();
  auto [host, far] = MakeNullModemPair();
  state_->link = std::make_unique<sim::ThreadedLink>(*state_->reg, std::move(far));
  return std::move(host);
}

sim::SimulatedRegister& BuiltInRegister::Register() const noexcept { return *state_->reg; }

}  // namespace tavirel::service
