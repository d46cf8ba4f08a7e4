#include "driver_measures.hpp"

#include <sys/epoll.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>

#include "alloc_count.hpp"
#include "bench_clients.hpp"
#include "modbus_peer.hpp"
#include "pty_peer.hpp"

namespace tavirel::bench {
namespace {

using Steady = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kWaitDelay{8000};  // within a sale line's 10 s limit
constexpr int kWarmUpCalls = 20;
// Exchanges of each kind in turn, so the machine's load changes alike for
// all three within a round.
constexpr int kBlock = 50;

double ThreadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

double SecondsSince(Steady::time_point t0) {
  return std::chrono::duration<double>(Steady::now() - t0).count();
}

// What one round measured: the calling thread's CPU and the wall time.
struct Round {
  double cpu = 0;
  double wall = 0;
  int exchanges = 0;
  Round& operator+=(const Round& o) {
    cpu += o.cpu;
    wall += o.wall;
    exchanges += o.exchanges;
    return *this;
  }
  [[nodiscard]] double CpuPerExchange() const { return cpu / exchanges; }
  [[nodiscard]] double Rate() const { return exchanges / wall; }
  [[nodiscard]] double CpuPerSecond() const { return cpu / wall; }
};

template <typename Exchange>
Round Timed(int exchanges, Exchange&& exchange) {
  const double cpu0 = ThreadCpuSeconds();
  const auto t0 = Steady::now();
  for (int i = 0; i < exchanges; ++i) exchange();
  return {ThreadCpuSeconds() - cpu0, SecondsSince(t0), exchanges};
}

// Sleeps `how_long` in an epoll wait that nothing can end early.
void IdleSleep(milliseconds how_long) {
  const int set = ::epoll_create1(EPOLL_CLOEXEC);
  if (set < 0) throw std::runtime_error("cannot make an epoll set");
  epoll_event ready{};
  ::epoll_wait(set, &ready, 1, static_cast<int>(how_long.count()));
  ::close(set);
}

Stats Of(std::vector<Round> rounds, double (Round::*figure)() const) {
  std::vector<double> values;
  for (const Round& r : rounds) values.push_back((r.*figure)());
  return StatsOf(values);
}

}  // namespace

std::vector<Row> MeasureDriver(int rounds, int exchanges) {
  PtyPair driver_pty;
  Responder driver_far(driver_pty.Master(), SaleLineReplyFrame());
  DriverClient driver_client(driver_pty.SlavePath(), false);
  PtyPair bare_pty;
  Responder bare_far(bare_pty.Master(), SaleLineReplyFrame());
  BareClient bare_client(bare_pty.SlavePath());
  PtyPair floor_pty;
  Responder floor_far(floor_pty.Master(), SaleLineReplyFrame());
  ProtocolFloorClient floor_client(floor_pty.SlavePath());
  ModbusPeer modbus_peer;
  std::vector<Round> driver, bare, floor, modbus;
  std::vector<double> driver_allocations, floor_allocations;
  for (int i = 0; i <= rounds; ++i) {  // round 0 warms up
    Round d, b, f, m;
    long allocated = 0, floor_allocated = 0;
    for (int done = 0; done < exchanges; done += kBlock) {
      {
        AllocationCount count;
        d += Timed(kBlock, [&] { driver_client.SaleLine(); });
        allocated += count.Taken();
      }
      b += Timed(kBlock, [&] { bare_client.Exchange(); });
      {
        AllocationCount count;
        f += Timed(kBlock, [&] { floor_client.Exchange(); });
        floor_allocated += count.Taken();
      }
      m += Timed(kBlock, [&] { modbus_peer.Exchange(); });
    }
    if (i == 0) continue;
    driver_allocations.push_back(static_cast<double>(allocated) / d.exchanges);
    floor_allocations.push_back(static_cast<double>(floor_allocated) / f.exchanges);
    driver.push_back(d);
    bare.push_back(b);
    floor.push_back(f);
    modbus.push_back(m);
  }

  // Waiting: calls whose reply comes kWaitDelay after the ACK, after calls
  // answered at once have warmed the path up.
  auto waiting = [](int calls, auto&& exchange, auto&& set_delay) {
    for (int i = 0; i < kWarmUpCalls; ++i) exchange();
    set_delay(kWaitDelay);
    std::vector<Round> all;
    for (int i = 0; i < calls; ++i) all.push_back(Timed(1, exchange));
    return all;
  };
  auto driver_waiting = [&](int calls, bool yield_handler) {
    PtyPair pty;
    Responder far(pty.Master(), SaleLineReplyFrame());
    DriverClient client(pty.SlavePath(), yield_handler);
    return waiting(
        calls, [&] { client.SaleLine(); }, [&](milliseconds d) { far.SetReplyDelay(d); });
  };
  const std::vector<Round> wait_plain = driver_waiting(3, false);
  const std::vector<Round> wait_yield = driver_waiting(1, true);
  const std::vector<Round> wait_floor = waiting(
      3, [&] { floor_client.Exchange(); }, [&](milliseconds d) { floor_far.SetReplyDelay(d); });
  // What this machine charges a thread for one sleep as long, with nothing to
  // wake it and nothing to do after.
  std::vector<Round> idle_sleep;
  for (int i = 0; i < 3; ++i) idle_sleep.push_back(Timed(1, [] { IdleSleep(kWaitDelay); }));
  ModbusPeer waiting_peer;
  const std::vector<Round> wait_modbus = waiting(
      1, [&] { waiting_peer.Exchange(); }, [&](milliseconds d) { waiting_peer.SetReplyDelay(d); });

  std::vector<Row> rows;
  auto micros = [](Stats s) { return Stats{s.min * 1e6, s.median * 1e6, s.max * 1e6}; };
  const Stats cpu = micros(Of(driver, &Round::CpuPerExchange));
  const Stats modbus_cpu = micros(Of(modbus, &Round::CpuPerExchange));
  rows.push_back({"client CPU per sale line (92/82 bytes), driver", "us", cpu,
                  "libmodbus RTU, 91/81 bytes", modbus_cpu, "<= 1.0x",
                  cpu.median <= modbus_cpu.median});
  const Stats floor_cpu = micros(Of(floor, &Round::CpuPerExchange));
  rows.push_back({"client CPU per sale line, driver", "us", cpu,
                  "protocol floor: check, write, wait, read, ACK", floor_cpu, "<= 1.15x",
                  cpu.median <= 1.15 * floor_cpu.median});
  rows.push_back({"client CPU per exchange, protocol floor", "us", floor_cpu,
                  "libmodbus RTU, 91/81 bytes", modbus_cpu, "", true});
  const Stats bare_cpu = micros(Of(bare, &Round::CpuPerExchange));
  rows.push_back({"client CPU per exchange, bare write + blocking read", "us", bare_cpu,
                  "libmodbus RTU, 91/81 bytes", modbus_cpu, "", true});
  const Stats rate = Of(driver, &Round::Rate);
  const Stats bare_rate = Of(bare, &Round::Rate);
  rows.push_back({"round trips per second, driver", "1/s", rate,
                  "bare write + blocking read, same bytes", bare_rate, ">= 0.8x",
                  rate.median >= 0.8 * bare_rate.median});
  const Stats floor_rate = Of(floor, &Round::Rate);
  rows.push_back({"round trips per second, driver", "1/s", rate,
                  "protocol floor: check, write, wait, read, ACK", floor_rate, ">= 0.9x",
                  rate.median >= 0.9 * floor_rate.median});
  rows.push_back({"round trips per second, protocol floor", "1/s", floor_rate,
                  "bare write + blocking read, same bytes", bare_rate, "", true});
  rows.push_back({"round trips per second, libmodbus RTU", "1/s", Of(modbus, &Round::Rate),
                  "bare write + blocking read, same bytes", bare_rate, "", true});
  const Stats allocations = StatsOf(driver_allocations);
  rows.push_back({"allocations per sale line, driver", "", allocations,
                  "protocol floor: check, write, wait, read, ACK", StatsOf(floor_allocations),
                  "<= 2", allocations.median <= 2});
  const Stats waiting_cpu = Of(wait_plain, &Round::CpuPerSecond);
  rows.push_back({"CPU while a call waits 8 s, no yield handler", "CPU s/s", waiting_cpu,
                  "libmodbus RTU client waiting as long", Of(wait_modbus, &Round::CpuPerSecond),
                  "<= 0.0001", waiting_cpu.median <= 0.0001});
  rows.push_back({"CPU while a call waits 8 s, driver", "CPU s/s", waiting_cpu,
                  "protocol floor waiting as long", Of(wait_floor, &Round::CpuPerSecond), "",
                  true});
  rows.push_back({"CPU while a call waits 8 s, protocol floor", "CPU s/s",
                  Of(wait_floor, &Round::CpuPerSecond), "one idle 8 s sleep (epoll_wait)",
                  Of(idle_sleep, &Round::CpuPerSecond), "", true});
  rows.push_back({"CPU while a call waits 8 s, yield handler (20 ms passes)", "CPU s/s",
                  Of(wait_yield, &Round::CpuPerSecond), "no yield handler", waiting_cpu, "", true});
  return rows;
}

}  // namespace tavirel::bench
