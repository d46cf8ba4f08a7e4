// Decisions:
// - A name with "://" is a network port; its kind is the text before it, in
//   lower case only. Anything else is a device path, taken as it is.
// - An RFC 2217 name may end in "?cts=ignore" or "?cts=follow" (the
//   default); any other query is refused rather than silently ignored.
#include "tavirel/port_factory.hpp"

#include <string>

#include "port/local_port.hpp"
#include "port/quoted.hpp"
#include "port/tcp_serial_port.hpp"
#include "tavirel/errors.hpp"

namespace tavirel {
namespace {

using port::NetworkAddress;

[[noreturn]] void Refuse(std::string_view name, const std::string& why) {
  throw SettingsError("port name " + port::Quoted(name) + ": " + why);
}

// Splits "HOST:PORT?query" and applies the query to `address`.
std::string_view TakeQuery(std::string_view rest, std::string_view name, NetworkAddress& address) {
  const auto mark = rest.find('?');
  if (mark == std::string_view::npos) return rest;
  const std::string_view query = rest.substr(mark + 1);
  if (address.protocol != NetworkAddress::Protocol::Rfc2217)
    Refuse(name, "a tcp:// port takes no options");
  if (query == "cts=ignore") {
    address.follow_cts = false;
  } else if (query != "cts=follow") {
    Refuse(name, "unknown option \"" + std::string(query) +
                     "\" (rfc2217:// takes ?cts=ignore or ?cts=follow)");
  }
  return rest.substr(0, mark);
}

}  // namespace

std::unique_ptr<SerialPort> MakePort(std::string_view name, const NetworkPortOptions& options) {
  if (name.empty())
    Refuse(name, "empty (give a device path, tcp://HOST:PORT or rfc2217://HOST:PORT)");
  const auto scheme_end = name.find("://");
  if (scheme_end == std::string_view::npos) return port::MakeDevicePort(std::string(name));
  const std::string_view scheme = name.substr(0, scheme_end);
  NetworkAddress address;
  address.name = std::string(name);
  if (scheme == "tcp") {
    address.protocol = NetworkAddress::Protocol::Raw;
  } else if (scheme == "rfc2217") {
    address.protocol = NetworkAddress::Protocol::Rfc2217;
  } else {
    Refuse(name, "unknown kind of port \"" + std::string(scheme) +
                     "://\" (give a device path, tcp://HOST:PORT or rfc2217://HOST:PORT)");
  }
  const std::string_view rest = TakeQuery(name.substr(scheme_end + 3), name, address);
  address.endpoint = port::Endpoint::Parse(rest, name);
  return std::make_unique<port::NetworkSerialPort>(std::move(address), options);
}

}  // namespace tavirel
