// The cost of one sale line through the control against the simulated
// register on the in-memory null-modem pair, seen from C++: the figure the
// Python module's own call is compared with (bench/python_call_bench.py runs
// this program between its own rounds). Prints one number: microseconds of
// wall-clock time per call, over CALLS calls after a warm-up.
//   bench_sim_call [CALLS, default 2000]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>

#include "tavirel/null_modem.hpp"
#include "tavirel/sim/null_modem_link.hpp"
#include "tavirel/sim/simulated_register.hpp"
#include "tavirel/tavirel_control.hpp"

int main(int argc, char** argv) {
  using namespace tavirel;
  const long calls = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 2000;
  if (calls < 1) {
    std::fprintf(stderr, "usage: bench_sim_call [CALLS >= 1]\n");
    return 2;
  }
  sim::SimulatedRegister reg;
  auto [host, far] = MakeNullModemPair();
  sim::ThreadedLink link(reg, std::move(far));
  TavirelControl ecr(std::move(host));
  ecr.InitProperties();
  ecr.EuroSettings(TVL_EUROSETTINGS_EURO);
  ecr.PortOpen();
  const Currency price = Currency::Parse("1.50");
  auto sell = [&] {
    if (ecr.opReparto(1, "PANE DI CASA", price, 1) != OP_OK) {
      std::fprintf(stderr, "bench_sim_call: a sale line was refused (error %d)\n", ecr.LastEERR());
      std::exit(1);
    }
  };
  for (int i = 0; i < 100; ++i) sell();
  const auto start = std::chrono::steady_clock::now();
  for (long i = 0; i < calls; ++i) sell();
  const std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - start;
  std::printf("%.4f\n", spent.count() / static_cast<double>(calls));
  ecr.PortClose();
  return 0;
}
