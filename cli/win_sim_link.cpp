// The register in process, at the far end of the null-modem pair, served in
// real time by a thread of its own.
#include "sim_link.hpp"
#include "tavirel/null_modem.hpp"
#include "tavirel/sim/errors.hpp"
#include "tavirel/sim/null_modem_link.hpp"

namespace tavirel::cli {

struct SimLink::State {
  std::unique_ptr<sim::SimulatedRegister> reg;
  std::unique_ptr<NullModemPort> host;
  std::unique_ptr<sim::ThreadedLink> link;
  std::string description = "the built-in register (in process)";
};

SimLink::SimLink(const SimLinkOptions& options) : state_(std::make_unique<State>()) {
  if (!options.link_path.empty())
    throw sim::SimError("the built-in register has no device to link to on Windows");
  state_->reg = std::make_unique<sim::SimulatedRegister>(MakeSimOptions(options));
  auto [host, far] = MakeNullModemPair();
  state_->host = std::move(host);
  state_->link = std::make_unique<sim::ThreadedLink>(*state_->reg, std::move(far));
}

SimLink::~SimLink() {
  state_->link.reset();  // the thread goes before the register it serves
}

const std::string& SimLink::DevicePath() const { return state_->description; }

sim::SimulatedRegister& SimLink::Register() { return *state_->reg; }

std::unique_ptr<SerialPort> SimLink::TakeHostPort() { return std::move(state_->host); }

std::exception_ptr SimLink::Failure() const { return state_->link->Failure(); }

}  // namespace tavirel::cli
