// The README's first sale, kept here so that it is compiled and run.
// Usage: first_sale [DEVICE]   (default /dev/ttyUSB0)
#include <cstdio>

#include "tavirel/posix_serial_port.hpp"
#include "tavirel/tavirel_control.hpp"

using namespace tavirel;

int main(int argc, char** argv) {
  TavirelControl ecr(PosixSerialPort::ForDevice(argc > 1 ? argv[1] : "/dev/ttyUSB0"));
  ecr.InitProperties();  // "9600,n,8,1", port 1, currency mode 0
  ecr.EuroSettings(TVL_EUROSETTINGS_EURO);
  ecr.PortOpen();  // opens the port and probes the printer

  if (ecr.opReparto(1, "PANE", Currency::Parse("1.50"), 2) != OP_OK) return 1;
  // ecr.LastImp(), ecr.LastQta(), ... hold what the register answered
  ecr.opSubTot(1);
  if (ecr.opContante(1, Currency::Parse("5.00")) != OP_OK || ecr.LastOPCode() != OP_CODE_CONT_REST)
    return 1;
  // Receipt closed. Amounts come back in whole cents in euro mode: 350 is 3.50.
  std::printf("receipt %d, change %s\n", ecr.LastNumSF(), ecr.LastRest().ToString().c_str());
}
