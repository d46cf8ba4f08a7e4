#include "port/tcp_endpoint.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "port/quoted.hpp"
#include "tavirel/errors.hpp"

namespace tavirel::port {
namespace {

[[noreturn]] void Fail(std::string_view name, const std::string& why) {
  throw SettingsError("port name " + Quoted(name) + ": " + why +
                      " (expected tcp://HOST:PORT or rfc2217://HOST:PORT)");
}

bool HostCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_';
}

}  // namespace

Endpoint Endpoint::Parse(std::string_view text, std::string_view name) {
  const auto colon = text.rfind(':');
  if (colon == std::string_view::npos) Fail(name, "no port number");
  std::string_view host = text.substr(0, colon);
  const std::string_view port = text.substr(colon + 1);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
    if (host.empty() || !std::all_of(host.begin(), host.end(), [](char c) {
          return c == ':' || c == '.' || std::isxdigit(static_cast<unsigned char>(c));
        })) {
      Fail(name, "not an IPv6 address in brackets");
    }
  } else if (host.empty()) {
    Fail(name, "no host");
  } else if (!std::all_of(host.begin(), host.end(), HostCharacter)) {
    Fail(name, "the host holds a character a host name cannot have");
  }
  unsigned value = 0;
  const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
  if (port.empty() || ec != std::errc() || end != port.data() + port.size() || value < 1 ||
      value > 65535) {
    Fail(name, "the port must be a number from 1 to 65535");
  }
  return Endpoint{std::string(host), static_cast<std::uint16_t>(value)};
}

}  // namespace tavirel::port
