// Links the DLL from the zip and checks what crosses its edge: values,
// strings, a port made by the factory and an exception thrown inside it.
#include <cstdio>
#include <string>

#include "tavirel/errors.hpp"
#include "tavirel/port_factory.hpp"
#include "tavirel/tavirel_control.hpp"
#include "tavirel/win_serial_port.hpp"

int main() {
  using namespace tavirel;
  int failures = 0;
  const auto check = [&failures](bool ok, const char* what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
    if (!ok) ++failures;
  };
  check(Currency::Parse("1.50").ToString() == "1.5", "a currency parsed and printed by the DLL");
  check(DefaultPortDevice(3) == "\\\\.\\COM3", "port 3 is \\\\.\\COM3");
  TavirelControl control(WinSerialPort::ForDevice("COM250"));
  control.InitProperties();
  check(control.Settings() == "9600,n,8,1", "a control's default settings");
  try {
    control.PortOpen();
    check(false, "opening COM250 is refused");
  } catch (const SerialError& e) {
    check(std::string(e.what()).find("COM250") != std::string::npos,
          "the DLL's SerialError caught here, naming COM250");
  }
  std::printf("%d passed, %d failed\n", 4 - failures, failures);
  return failures == 0 ? 0 : 1;
}
