// Wake-ups and CPU of the calling thread over a receipt against a register
// that paces the line (bench_line's paced rows, line_measures.hpp).
#include <sys/epoll.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "line_measures.hpp"
#include "tavirel/posix_serial_port.hpp"
#include "tavirel/sim/pty_server.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel::bench {
namespace {

// What the calling thread has spent so far.
struct ThreadUsage {
  long wake_ups = 0;  // voluntary context switches: each time it slept and was woken
  double cpu_ms = 0;
  static ThreadUsage Now() {
    rusage usage{};
    ::getrusage(RUSAGE_THREAD, &usage);
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return {usage.ru_nvcsw,
            static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6};
  }
};

void Expect(std::int16_t result, const char* what) {
  if (result != OP_OK)
    throw std::runtime_error(std::string(what) + " returned " + std::to_string(result));
}

// The journal bench's receipt, step for step: four lines, a text line, a
// discount, cash and card.
constexpr int kSteps = 8;
void Receipt(TavirelControl& c) {
  Expect(c.opReparto(1, "PANE", Currency::Parse("1.50"), 1), "opReparto");
  Expect(c.opRepartoQDec(1, "MELE", 1.25f, Currency::Parse("2.40"), 2), "opRepartoQDec");
  Expect(c.opRepartoQInt(1, "GRISSINI", 3, Currency::Parse("0.60"), 1, 1, "8001234567890"),
         "opRepartoQInt");
  Expect(c.opRepartoReso(1, "CROSTATA", Currency::Parse("3.00"), 1), "opRepartoReso");
  Expect(c.opDescAgg(1, "OFFERTA DEL GIORNO"), "opDescAgg");
  Expect(c.opSubTotPercMinus(1, 10.0f), "opSubTotPercMinus");
  Expect(c.opContante(1, Currency::Parse("2.00")), "opContante");
  Expect(c.opCredCC(1, 1), "opCredCC");
}

// A register on a pty of its own and a control on it, counting the bytes read.
struct Line {
  sim::PtySimulator simulator;
  std::unique_ptr<TavirelControl> control;
  long bytes_read = 0;

  explicit Line(bool paced) {
    sim::SimOptions options;
    if (paced) options.pacing = sim::Pacing::Realistic(LineSettings::Parse("9600,n,8,1"));
    simulator = sim::StartOnPty(options);
    control = std::make_unique<TavirelControl>(
        PosixSerialPort::ForDevice(simulator.server->DevicePath()));
    control->InitProperties();
    control->EuroSettings(TVL_EUROSETTINGS_EURO);
    HostHooks hooks;
    hooks.trace = [this](TraceDirection direction, std::string_view bytes, auto) {
      if (direction == TraceDirection::Read) bytes_read += static_cast<long>(bytes.size());
    };
    control->SetHooks(hooks);
    control->PortOpen();
  }
};

// Reads one byte of every cache line of `memory`.
void Touch(const std::vector<char>& memory) {
  long sum = 0;
  for (std::size_t i = 0; i < memory.size(); i += 64) sum += memory[i];
  volatile long keep = sum;
  (void)keep;
}

}  // namespace

Row MeasureColdTouch(int rounds) {
  // About what one exchange's wake-up touches, the kernel's part with it.
  std::vector<char> memory(256 * 1024, 1);
  const int set = ::epoll_create1(EPOLL_CLOEXEC);
  if (set < 0) throw std::runtime_error("epoll_create1 failed");
  std::vector<double> cold, warm;
  for (int round = 0; round < rounds; ++round) {
    double cold_us = 0, warm_us = 0;
    constexpr int kSleeps = 10;
    for (int i = 0; i < kSleeps; ++i) {
      epoll_event ready{};
      ::epoll_wait(set, &ready, 1, 50);  // a paced register's command time
      const double a = ThreadUsage::Now().cpu_ms;
      Touch(memory);
      const double b = ThreadUsage::Now().cpu_ms;
      Touch(memory);
      const double c = ThreadUsage::Now().cpu_ms;
      cold_us += (b - a) * 1000;
      warm_us += (c - b) * 1000;
    }
    cold.push_back(cold_us / kSleeps);
    warm.push_back(warm_us / kSleeps);
  }
  ::close(set);
  return {"CPU to read 256 KiB just after a 50 ms sleep (this machine's caches after idling)",
          "us",
          StatsOf(cold),
          "the same read again at once",
          StatsOf(warm),
          "",
          true};
}

std::vector<Row> MeasurePacedWakeUps(int rounds) {
  Line paced(true);
  Line unpaced(false);
  std::vector<double> wake_ups, bytes, paced_cpu, unpaced_cpu;
  for (int i = 0; i <= rounds; ++i) {  // round 0 warms up
    const long read_before = paced.bytes_read;
    const ThreadUsage p0 = ThreadUsage::Now();
    Receipt(*paced.control);
    const ThreadUsage p1 = ThreadUsage::Now();
    Receipt(*unpaced.control);
    const ThreadUsage u1 = ThreadUsage::Now();
    if (i == 0) continue;
    wake_ups.push_back(static_cast<double>(p1.wake_ups - p0.wake_ups) / kSteps);
    bytes.push_back(static_cast<double>(paced.bytes_read - read_before) / kSteps);
    paced_cpu.push_back(p1.cpu_ms - p0.cpu_ms);
    unpaced_cpu.push_back(u1.cpu_ms - p1.cpu_ms);
  }
  const Stats wakes = StatsOf(wake_ups);
  const Stats cpu = StatsOf(paced_cpu);
  return {
      {"wake-ups per exchange paced (9600 baud), 8-step receipt", "", wakes,
       "bytes received per exchange (a wake-up each)", StatsOf(bytes), "<= 4", wakes.median <= 4},
      {"driver thread CPU per 8-step receipt paced (9600 baud)", "ms", cpu,
       "the same receipt unpaced", StatsOf(unpaced_cpu), "<= 4", cpu.median <= 4}};
}

}  // namespace tavirel::bench
