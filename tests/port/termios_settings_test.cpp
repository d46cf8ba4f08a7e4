// The character format as termios flags: what a real UART is given.
#include "port/termios_settings.hpp"

#include <gtest/gtest.h>

#include "tavirel/errors.hpp"

namespace tavirel::port {
namespace {

struct FormatRow {
  const char* text;
  tcflag_t size;
  tcflag_t parity;
  bool cstopb;
};

const FormatRow kFormats[] = {
    {"9600,n,8,1", CS8, 0, false},
    {"9600,e,7,1", CS7, PARENB, false},
    {"9600,o,7,2", CS7, PARENB | PARODD, true},
    {"9600,m,8,1", CS8, PARENB | CMSPAR | PARODD, false},  // mark: the bit always 1
    {"9600,s,8,1", CS8, PARENB | CMSPAR, false},           // space: the bit always 0
    {"9600,n,5,1.5", CS5, 0, true},                        // termios has no 1.5: sent as 2
    {"9600,n,6,1.5", CS6, 0, true},
};

termios Applied(const LineSettings& settings) {
  termios tio{};
  tio.c_cflag = CRTSCTS | CSTOPB | PARENB | CS5;  // leftovers that must go
  tio.c_iflag = IXON | IXOFF | IXANY | ICRNL;
  tio.c_lflag = ICANON | ECHO;
  ApplyLineSettings(settings, tio);
  return tio;
}

TEST(TermiosSettings, CharacterFormatFlags) {
  for (const auto& row : kFormats) {
    SCOPED_TRACE(row.text);
    const LineSettings settings = LineSettings::Parse(row.text);
    const termios tio = Applied(settings);
    EXPECT_EQ(tio.c_cflag & CSIZE, row.size);
    EXPECT_EQ(tio.c_cflag & (PARENB | PARODD | CMSPAR), row.parity);
    EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, row.cstopb);
    EXPECT_TRUE(CarriesLineSettings(settings, tio));
  }
}

TEST(TermiosSettings, RawReceiverOnNoFlowControl) {
  const termios tio = Applied(LineSettings{});
  EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | IXANY | ICRNL), 0u);
  EXPECT_EQ(tio.c_lflag & (ICANON | ECHO), 0u);
  EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_EQ(tio.c_cc[VMIN], 1);
  EXPECT_EQ(tio.c_cc[VTIME], 0);
  EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B9600));
  EXPECT_EQ(cfgetispeed(&tio), static_cast<speed_t>(B9600));
}

TEST(TermiosSettings, DroppedFormatOrSpeedIsNoticed) {
  const LineSettings mark = LineSettings::Parse("19200,m,8,1");
  termios tio = Applied(mark);
  tio.c_cflag &= ~static_cast<tcflag_t>(CMSPAR);  // what a device without mark parity does
  EXPECT_FALSE(CarriesLineSettings(mark, tio));
  EXPECT_TRUE(CarriesSpeed(mark, tio));
  cfsetospeed(&tio, B9600);
  EXPECT_FALSE(CarriesSpeed(mark, tio));
}

TEST(TermiosSettings, RateWithoutTerminalSpeedIsRefused) {
  EXPECT_FALSE(TermiosSpeed(14400).has_value());
  LineSettings odd;
  odd.baud = 14400;  // only reachable by building the value by hand
  termios tio{};
  EXPECT_THROW(ApplyLineSettings(odd, tio), SettingsError);
}

}  // namespace
}  // namespace tavirel::port
