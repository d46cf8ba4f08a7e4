// One sale against the simulated register on a pseudo-terminal, through the
// real serial port: a line of 1.50, paid with 2.00 in cash. Prints the
// receipt's number and the change, and exits 0 only when the register
// closed the receipt with the right change and printed it.
#include <cstdio>
#include <exception>
#include <string>

#include "tavirel/errors.hpp"
#include "tavirel/posix_serial_port.hpp"
#include "tavirel/sim/pty_server.hpp"
#include "tavirel/tavirel_control.hpp"
#include "tavirel/version.hpp"

namespace {

bool Fails(const char* what, std::int16_t result) {
  if (result == tavirel::OP_OK) return false;
  std::fprintf(stderr, "one_sale: %s returned %d\n", what, result);
  return true;
}

int Sale() {
  auto sim = tavirel::sim::StartOnPty({});
  tavirel::TavirelControl ecr(tavirel::PosixSerialPort::ForDevice(sim.server->DevicePath()));
  ecr.InitProperties();
  ecr.EuroSettings(tavirel::TVL_EUROSETTINGS_EURO);
  ecr.PortOpen();
  if (Fails("opReparto", ecr.opReparto(1, "PANE", tavirel::Currency::Parse("1.50"), 1)) ||
      Fails("opContante", ecr.opContante(1, tavirel::Currency::Parse("2.00"))))
    return 1;
  ecr.PortClose();

  const auto receipts = sim.reg->JournalDocuments();
  const bool printed = !receipts.empty() && receipts.back().complete &&
                       receipts.back().kind == tavirel::sim::DocumentKind::Receipt;
  // In euro mode the register answers amounts in whole cents.
  const bool closed = ecr.LastOPCode() == tavirel::OP_CODE_CONT_REST &&
                      ecr.LastRest() == tavirel::Currency::Parse("50");
  std::printf("tavirel %s: receipt %d, change %s cents, %s\n", tavirel::kVersion, ecr.LastNumSF(),
              ecr.LastRest().ToString().c_str(), printed ? "printed" : "NOT printed");
  return closed && printed ? 0 : 1;
}

}  // namespace

int main() {
  try {
    return Sale();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "one_sale: %s\n", e.what());
    return 1;
  }
}
