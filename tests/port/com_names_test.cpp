// Windows' device names as a user writes them and as CreateFile needs them.
#include "port/com_names.hpp"

#include <gtest/gtest.h>

namespace tavirel::port {
namespace {

struct NameCase {
  const char* given;
  const char* path;     // what is opened
  const char* display;  // what messages say
};

TEST(ComNames, UserNamesBecomeDevicePathsAndReadBackShort) {
  const NameCase cases[] = {
      {"COM1", "\\\\.\\COM1", "COM1"},
      {"com3", "\\\\.\\COM3", "COM3"},
      {"Com12", "\\\\.\\COM12", "COM12"},  // beyond COM9 only the device namespace reaches it
      {"COM256", "\\\\.\\COM256", "COM256"},
      {"\\\\.\\COM7", "\\\\.\\COM7", "COM7"},
      {"\\\\.\\CNCA0", "\\\\.\\CNCA0", "\\\\.\\CNCA0"},  // another driver's name, as it is
      {"COM0", "COM0", "COM0"},                          // not a port: taken as it is
      {"COM", "COM", "COM"},
      {"COM1x", "COM1x", "COM1x"},
      {"COM1234", "COM1234", "COM1234"},
      {"LPT1", "LPT1", "LPT1"},
      {"/dev/ttyS0", "/dev/ttyS0", "/dev/ttyS0"},
  };
  for (const NameCase& c : cases) {
    EXPECT_EQ(ComDevicePath(c.given), c.path) << c.given;
    EXPECT_EQ(ComDisplayName(ComDevicePath(c.given)), c.display) << c.given;
  }
}

TEST(ComNames, PortNumbersMapIntoTheDeviceNamespace) {
  EXPECT_EQ(ComPortPath(1), "\\\\.\\COM1");
  EXPECT_EQ(ComPortPath(10), "\\\\.\\COM10");
  EXPECT_EQ(ComPortPath(32767), "\\\\.\\COM32767");
}

}  // namespace
}  // namespace tavirel::port
