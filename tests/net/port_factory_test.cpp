// One string names a port: which kind each name makes, and the names that
// are refused, each with the name quoted in the message.
#include "tavirel/port_factory.hpp"

#include <gtest/gtest.h>

#include "port/tcp_serial_port.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/posix_serial_port.hpp"

namespace tavirel {
namespace {

enum class Kind { Device, Network, Refused };

struct NameCase {
  const char* name;
  Kind kind;
  const char* message = "";  // part of the refusal
};

TEST(PortFactory, NamesMakeTheirKindOfPortOrAreRefused) {
  const std::vector<NameCase> cases = {
      {"/dev/ttyUSB0", Kind::Device},
      {"/dev/pts/4", Kind::Device},
      {"relative/tty", Kind::Device},
      {"tcp://127.0.0.1:4001", Kind::Network},
      {"tcp://register.shop.lan:4001", Kind::Network},
      {"tcp://[::1]:4001", Kind::Network},
      {"rfc2217://10.0.0.7:2217", Kind::Network},
      {"rfc2217://10.0.0.7:2217?cts=ignore", Kind::Network},
      {"rfc2217://10.0.0.7:2217?cts=follow", Kind::Network},
      {"", Kind::Refused, "empty"},
      {"ftp://host:21", Kind::Refused, "unknown kind of port \"ftp://\""},
      {"TCP://host:1", Kind::Refused, "unknown kind"},
      {"tcp://host", Kind::Refused, "no port number"},
      {"tcp://:4001", Kind::Refused, "no host"},
      {"tcp://host:0", Kind::Refused, "1 to 65535"},
      {"tcp://host:65536", Kind::Refused, "1 to 65535"},
      {"tcp://host:40x1", Kind::Refused, "1 to 65535"},
      {"tcp://host:", Kind::Refused, "1 to 65535"},
      {"tcp://ho st:4001", Kind::Refused, "character a host name cannot have"},
      {"tcp://[::1:4001", Kind::Refused, "character a host name cannot have"},
      {"tcp://[zz]:4001", Kind::Refused, "not an IPv6 address"},
      {"tcp://host:4001?cts=ignore", Kind::Refused, "takes no options"},
      {"rfc2217://host:4001?dtr=on", Kind::Refused, "unknown option \"dtr=on\""},
      {"rfc2217://host:4001\n", Kind::Refused, "\"rfc2217://host:4001\\x0a\""},
  };
  for (const auto& c : cases) {
    try {
      const auto port = MakePort(c.name);
      ASSERT_NE(port, nullptr) << c.name;
      EXPECT_NE(c.kind, Kind::Refused) << c.name;
      const bool device = dynamic_cast<PosixSerialPort*>(port.get()) != nullptr;
      const bool network = dynamic_cast<port::NetworkSerialPort*>(port.get()) != nullptr;
      EXPECT_EQ(device, c.kind == Kind::Device) << c.name;
      EXPECT_EQ(network, c.kind == Kind::Network) << c.name;
      EXPECT_FALSE(port->PortOpen()) << c.name;
      EXPECT_EQ(port->Settings(), "9600,n,8,1") << c.name;
    } catch (const SettingsError& e) {
      EXPECT_EQ(c.kind, Kind::Refused) << c.name << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

TEST(PortFactory, ADevicePathOpensThatDevice) {
  const auto port = MakePort("/dev/tavirel-no-such-device");
  try {
    port->PortOpen(true);
    ADD_FAILURE() << "opened a device that does not exist";
  } catch (const SerialError& e) {
    EXPECT_NE(std::string(e.what()).find("/dev/tavirel-no-such-device"), std::string::npos);
  }
}

}  // namespace
}  // namespace tavirel
