#include "sim_link.hpp"

#include "tavirel/sim/faults.hpp"

namespace tavirel::cli {

sim::SimOptions MakeSimOptions(const SimLinkOptions& options) {
  sim::SimOptions sim;
  sim.currency = options.lire ? sim::CurrencyUnit::Lire : sim::CurrencyUnit::Euro;
  sim.serial = options.serial;
  sim.seed = options.seed;
  sim.state_path = options.state_path;
  sim.paper_path = options.paper_path;
  if (options.pace) sim.pacing = sim::Pacing::Realistic();
  for (const std::string& fault : options.faults)
    sim.faults.push_back(sim::ParseFaultSwitch(fault));
  return sim;
}

std::string JournalText(const std::vector<sim::JournalDocument>& documents) {
  std::string text;
  for (const sim::JournalDocument& document : documents) {
    if (!text.empty()) text += "\n";
    text += document.Text();
  }
  return text;
}

}  // namespace tavirel::cli
