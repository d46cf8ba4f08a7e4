// A device that refuses a character format (tcsetattr gives EINVAL; a
// pseudo-terminal here refuses some data sizes) is a
// SettingsError quoting the text, and the settings in force stay: whether on
// an open port or when opening with those settings.
#include <gtest/gtest.h>

#include <string>

#include "port/pty.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/posix_serial_port.hpp"

namespace tavirel {
namespace {

using testing::Pty;

const char* const kFormats[] = {"9600,n,5,1", "9600,n,6,1", "9600,n,7,1",  "9600,n,7,2",
                                "9600,e,6,1", "9600,m,7,1", "4800,s,5,1.5"};

TEST(PosixSerialPortRefusedSettings, OnAnOpenPortAreASettingsErrorAndChangeNothing) {
  Pty pty;
  auto port = PosixSerialPort::ForDevice(pty.SlavePath());
  port->PortOpen(true);
  for (const char* text : kFormats) {
    SCOPED_TRACE(text);
    try {
      port->Settings(text);
      EXPECT_EQ(port->Settings(), text);
      port->Settings("9600,n,8,1");
    } catch (const SettingsError& e) {
      EXPECT_NE(std::string(e.what()).find(std::string("\"") + text + "\""), std::string::npos)
          << e.what();
      EXPECT_EQ(port->Settings(), "9600,n,8,1");
    }
    EXPECT_TRUE(port->PortOpen());
    port->Output("x");  // the port still works
  }
}

TEST(PosixSerialPortRefusedSettings, WhenOpeningAreASettingsErrorAndLeaveThePortClosed) {
  Pty pty;
  for (const char* text : kFormats) {
    SCOPED_TRACE(text);
    auto port = PosixSerialPort::ForDevice(pty.SlavePath());
    port->Settings(text);
    try {
      port->PortOpen(true);
      port->PortOpen(false);
    } catch (const SettingsError& e) {
      EXPECT_NE(std::string(e.what()).find(std::string("\"") + text + "\""), std::string::npos)
          << e.what();
      EXPECT_FALSE(port->PortOpen());
    }
  }
}

}  // namespace
}  // namespace tavirel
