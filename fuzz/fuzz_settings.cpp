// The line settings text: the parser, and Settings() on each serial
// component (in memory, a closed POSIX port, a POSIX port open on a
// pseudo-terminal). A text is either taken whole or refused with
// SettingsError, leaving the old settings in place.
#include <fcntl.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <string>

#include "fuzz_support.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/line_settings.hpp"
#include "tavirel/null_modem.hpp"
#include "tavirel/posix_serial_port.hpp"

namespace tavirel::fuzz {
namespace {

void Parse(const std::string& text) {
  try {
    const LineSettings settings = LineSettings::Parse(text);
    Require(LineSettings::Parse(settings.ToString()) == settings,
            "settings do not survive their own text");
    const double bits = settings.BitsPerCharacter();
    Require(bits >= 7.0 && bits <= 12.0, "impossible bits per character");
  } catch (const SettingsError&) {
  }
}

void OnPort(SerialPort& port, const std::string& text) {
  const std::string before = port.Settings();
  bool taken = true;
  try {
    port.Settings(text);
  } catch (const SettingsError&) {
    taken = false;
  }
  if (taken) {
    Require(port.Settings() == text, "accepted settings read back differently");
    port.Settings(before);
  } else {
    Require(port.Settings() == before, "refused settings changed the port");
  }
}

// One pseudo-terminal for the whole run, its far end kept open.
SerialPort& OpenPtyPort() {
  static std::unique_ptr<PosixSerialPort> port = [] {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) Fail("no pseudo-terminal");
    auto p = PosixSerialPort::ForDevice(ptsname(master));
    p->PortOpen(true);
    return p;
  }();
  return *port;
}

}  // namespace
}  // namespace tavirel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tavirel;
  using namespace tavirel::fuzz;
  FuzzedDataProvider in(data, size);
  const int where = in.ConsumeIntegralInRange(0, 2);
  const std::string text = in.ConsumeRemainingBytesAsString();
  Parse(text);
  switch (where) {
    case 0: {
      auto pair = MakeNullModemPair();
      OnPort(*pair.first, text);
      break;
    }
    case 1: {
      auto port = PosixSerialPort::ForDevice("/dev/null-fuzz-never-opened");
      OnPort(*port, text);
      break;
    }
    default: OnPort(OpenPtyPort(), text); break;
  }
  return 0;
}
