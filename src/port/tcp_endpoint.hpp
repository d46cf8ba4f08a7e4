#pragma once
// "HOST:PORT" of a network port: a name, an IPv4 address or an IPv6 address
// in brackets ("[::1]:4001"), and a port number 1-65535.
#include <cstdint>
#include <string>
#include <string_view>

namespace tavirel::port {

struct Endpoint {
  std::string host;  // without brackets
  std::uint16_t port = 0;

  /// Parses "HOST:PORT". Throws SettingsError quoting `name` (the whole port
  /// name, for the message) when the text is malformed.
  static Endpoint Parse(std::string_view text, std::string_view name);
};

}  // namespace tavirel::port
