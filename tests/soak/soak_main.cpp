// The soak run: the driver's PosixSerialPort on the pseudo-terminal of a
// simulated register (in its own process) that faults a seeded random share
// of the exchanges with every kind of fault it has. Receipts run until the
// number of operations is reached; then the host's view is checked against
// the register's journal and totals, the request count, the call times and
// the memory.
//   tavirel_soak [--ops N] [--seed S]     (default 20000 operations, seed 1)
// Exit status 0 when every check holds, 1 otherwise, 2 for an error.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <string>

#include "register_process.hpp"
#include "soak_host.hpp"
#include "soak_report.hpp"
#include "tavirel/posix_serial_port.hpp"

namespace tavirel::soak {
namespace {

using sim::Fault;
using sim::FaultSwitch;

// The mix: the quick faults often, the ones that cost a timeout (3 s without
// an ACK, 10 s without a reply) rarely, so a run stays short. About 6.6% of
// the exchanges fault. An off register comes back (0.5 s) before the host's
// ACK limit ends, so no later request is lost to it.
std::vector<FaultSwitch> FaultMix() {
  return {{Fault::Off, 500, 0.001},         {Fault::NoAck, 0, 0.001},
          {Fault::NoReply, 0, 0.001},       {Fault::AckDelay, 1200, 0.004},
          {Fault::ReplyDelay, 1200, 0.004}, {Fault::BadChecksum, 0, 0.008},
          {Fault::Noise, 0, 0.008},         {Fault::Trailing, 0, 0.008},
          {Fault::Error, 13, 0.005},        {Fault::PaperEnd, 300, 0.002},
          {Fault::LongReply, 0, 0.008},     {Fault::ShortReply, 0, 0.008}};
}

long ResidentKib() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

struct Options {
  long ops = 20000;
  std::uint64_t seed = 1;
};

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--ops") == 0)
      o.ops = std::stol(argv[i + 1]);
    else if (std::strcmp(argv[i], "--seed") == 0)
      o.seed = std::stoull(argv[i + 1]);
    else
      throw std::invalid_argument(std::string("unknown option ") + argv[i]);
  }
  return o;
}

int Run(const Options& options) {
  std::vector<FaultSwitch> mix = FaultMix();
  RegisterProcess reg(mix, options.seed);  // before any thread of ours
  auto control = std::make_unique<TavirelControl>(PosixSerialPort::ForDevice(reg.Device()));
  control->InitProperties();
  control->EuroSettings(TVL_EUROSETTINGS_EURO);
  SoakHost host(*control, options.seed, static_cast<std::size_t>(options.ops / 3 + 64));

  const auto start = std::chrono::steady_clock::now();
  control->PortOpen();
  // Besides the rates, each kind fires once at its own point of the run, so
  // even a short run meets every kind.
  std::size_t next_once = 0;
  const long warm_up = std::max(200L, options.ops / 10);
  RunFigures run;
  run.memory.bound_kib = 1024;
  while (host.Calls().calls < options.ops) {
    const long due =
        (static_cast<long>(next_once) + 1) * options.ops / static_cast<long>(mix.size() + 1);
    if (next_once < mix.size() && host.Calls().calls >= due) {
      reg.Arm({mix[next_once].fault, mix[next_once].param, 0.0});
      ++next_once;
    }
    host.RunReceipt();
    const long rss = ResidentKib();
    if (run.memory.warm_kib == 0 && host.Calls().calls >= warm_up)
      run.memory.warm_kib = run.memory.max_kib = rss;
    if (run.memory.warm_kib != 0) run.memory.max_kib = std::max(run.memory.max_kib, rss);
  }
  control->PortClose();
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const RegisterReport report = reg.Report();
  std::printf("soak run, seed %llu\n", static_cast<unsigned long long>(options.seed));
  Print(stdout, host, report, run);
  const auto failures = Check(host, report, run);
  for (const auto& f : failures) std::printf("FAILED: %s\n", f.c_str());
  std::printf("%s\n", failures.empty() ? "all checks hold" : "checks FAILED");
  return failures.empty() ? 0 : 1;
}

}  // namespace
}  // namespace tavirel::soak

int main(int argc, char** argv) {
  try {
    return tavirel::soak::Run(tavirel::soak::Parse(argc, argv));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tavirel_soak: %s\n", e.what());
    return 2;
  }
}
