// The driver's user-space instructions per sale line against the protocol
// floor's per exchange. scripts/bench runs this program under callgrind,
// counting only inside one of the two functions below (so the count does
// not depend on the machine's load); each makes `exchanges` exchanges on a
// pty of its own against the same far end.
//   bench_instructions [exchanges, default 2000]
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "bench_clients.hpp"
#include "pty_peer.hpp"

namespace tavirel::bench {

// Kept out of line so callgrind can count inside them by name.
__attribute__((noinline)) void DriverSaleLines(DriverClient& client, int exchanges) {
  for (int i = 0; i < exchanges; ++i) client.SaleLine();
}

__attribute__((noinline)) void FloorExchanges(ProtocolFloorClient& client, int exchanges) {
  for (int i = 0; i < exchanges; ++i) client.Exchange();
}

}  // namespace tavirel::bench

int main(int argc, char** argv) {
  using namespace tavirel::bench;
  const int exchanges = argc > 1 ? std::atoi(argv[1]) : 2000;
  constexpr int kWarmUp = 20;
  try {
    PtyPair driver_pty;
    Responder driver_far(driver_pty.Master(), SaleLineReplyFrame());
    DriverClient driver(driver_pty.SlavePath(), false);
    PtyPair floor_pty;
    Responder floor_far(floor_pty.Master(), SaleLineReplyFrame());
    ProtocolFloorClient floor(floor_pty.SlavePath());
    for (int i = 0; i < kWarmUp; ++i) {
      driver.SaleLine();
      floor.Exchange();
    }
    DriverSaleLines(driver, exchanges);
    FloorExchanges(floor, exchanges);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_instructions: %s\n", e.what());
    return 2;
  }
  return 0;
}
