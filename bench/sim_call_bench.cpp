// The cost of one sale line through the control against the simulated
// register on the in-memory null-modem pair, seen from C++: the figure the
// Python module's own call is compared with (bench/python_call_bench.py runs
// this program between its own rounds). Prints one number: microseconds of
// wall-clock time per call, over CALLS calls after a warm-up.
//   bench_sim_call [--virtual] [CALLS, default 2000]
// By default the register answers from a thread of its own, so a call
// includes two thread wake-ups; with --virtual the exchange runs on the
// caller's thread on a manual clock, so a call is the work alone.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>

#include "tavirel/clock.hpp"
#include "tavirel/null_modem.hpp"
#include "tavirel/sim/null_modem_link.hpp"
#include "tavirel/sim/simulated_register.hpp"
#include "tavirel/tavirel_control.hpp"

int main(int argc, char** argv) {
  using namespace tavirel;
  const bool virtual_time = argc > 1 && std::strcmp(argv[1], "--virtual") == 0;
  const char* count = argc > (virtual_time ? 2 : 1) ? argv[virtual_time ? 2 : 1] : "2000";
  const long calls = std::strtol(count, nullptr, 10);
  if (calls < 1) {
    std::fprintf(stderr, "usage: bench_sim_call [--virtual] [CALLS >= 1]\n");
    return 2;
  }
  sim::SimulatedRegister reg;
  auto [host, far] = MakeNullModemPair();
  NullModemPort& host_end = *host;
  std::shared_ptr<ManualClock> clock;
  std::optional<sim::ThreadedLink> threaded;
  if (virtual_time) {
    clock = std::make_shared<ManualClock>();
    clock->SetKeepsPortTime(true);  // moved by exactly what each wait asks
  } else {
    threaded.emplace(reg, std::move(far));
  }
  TavirelControl ecr(std::move(host), clock);
  // Declared after the control, so it is gone before the control is.
  std::optional<sim::VirtualTimeLink> link;
  if (virtual_time) link.emplace(reg, host_end, std::move(far), clock);
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
