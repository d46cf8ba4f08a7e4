// Line settings reaching the terminal, checked from the far end of a pty.
// A pty forces its own character size and clears PARENB (it has no wire), so
// here we see the speed, the stop bits and the odd/stuck parity bits; the
// full character format is checked on termios itself in termios_settings_test.
#include <gtest/gtest.h>
#include <termios.h>

#include <string>

#include "port/pty.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/posix_serial_port.hpp"

namespace tavirel {
namespace {

using testing::Pty;

struct TermiosRow {
  const char* text;
  speed_t speed;
  tcflag_t parity;  // of PARODD | CMSPAR, which a pty keeps
  bool two_stop_bits;
};

// 1.5 stop bits go out as CSTOPB: termios has nothing finer.
const TermiosRow kRows[] = {
    {"9600,n,8,1", B9600, 0, false},           {"19200,E,7,2", B19200, 0, true},
    {"1200,o,7,1", B1200, PARODD, false},      {"4800,m,8,1", B4800, CMSPAR | PARODD, false},
    {"115200,S,5,1.5", B115200, CMSPAR, true}, {"110,n,6,2", B110, 0, true},
};

void ExpectCarries(const termios& tio, const TermiosRow& row) {
  EXPECT_EQ(cfgetospeed(&tio), row.speed);
  EXPECT_EQ(cfgetispeed(&tio), row.speed);
  EXPECT_EQ(tio.c_cflag & (PARODD | CMSPAR), row.parity);
  EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, row.two_stop_bits);
}

void ExpectRawWithoutFlowControl(const termios& tio) {
  EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_EQ(tio.c_iflag & (ICRNL | INLCR | IGNCR | IXON | IXOFF | ISTRIP), 0u);
  EXPECT_EQ(tio.c_oflag & OPOST, 0u);
  EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_EQ(tio.c_cc[VMIN], 1);
  EXPECT_EQ(tio.c_cc[VTIME], 0);
}

TEST(PosixSerialPortSettings, AppliedAtOpen) {
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.text);
    Pty pty;
    auto port = PosixSerialPort::ForDevice(pty.SlavePath());
    port->Settings(row.text);
    port->PortOpen(true);
    const termios tio = pty.SlaveSettings();
    ExpectCarries(tio, row);
    ExpectRawWithoutFlowControl(tio);
  }
}

TEST(PosixSerialPortSettings, AppliedAtOnceToAnOpenPortAndKeptAsWritten) {
  Pty pty;
  auto port = PosixSerialPort::ForDevice(pty.SlavePath());
  port->PortOpen(true);
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.text);
    port->Settings(row.text);
    EXPECT_EQ(port->Settings(), row.text);
    ExpectCarries(pty.SlaveSettings(), row);
  }
}

TEST(PosixSerialPortSettings, RefusedTextLeavesTheOldSettingsEverywhere) {
  Pty pty;
  auto port = PosixSerialPort::ForDevice(pty.SlavePath());
  EXPECT_EQ(port->Settings(), "9600,n,8,1");
  port->Settings("19200,E,7,2");
  port->PortOpen(true);
  for (const char* bad : {"19200,x,7,2", "14400,n,8,1", "", "9600,n,8,1,1"}) {
    SCOPED_TRACE(bad);
    try {
      port->Settings(bad);
      ADD_FAILURE() << "accepted";
    } catch (const SettingsError& e) {
      EXPECT_NE(std::string(e.what()).find(std::string("\"") + bad + "\""), std::string::npos)
          << e.what();
    }
    EXPECT_EQ(port->Settings(), "19200,E,7,2");
    ExpectCarries(pty.SlaveSettings(), kRows[1]);
  }
  port->PortOpen(false);
  EXPECT_THROW(port->Settings("9600,n,9,1"), SettingsError);
  EXPECT_EQ(port->Settings(), "19200,E,7,2");
}

}  // namespace
}  // namespace tavirel
