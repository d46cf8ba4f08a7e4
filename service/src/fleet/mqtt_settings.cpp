// The broker's address, and the reconnection's backoff.
#include <algorithm>
#include <charconv>

#include "fleet/mqtt_client.hpp"
#include "fleet/reconnect_delay.hpp"
#include "service_errors.hpp"

namespace tavirel::service::fleet {

void ParseMqttUrl(std::string_view url, MqttSettings& settings) {
  const auto bad = [&](const std::string& why) {
    return ConfigError("--mqtt \"" + std::string(url) + "\": " + why +
                       " (mqtt://HOST:PORT or mqtts://HOST:PORT)");
  };
  std::string_view rest;
  if (url.starts_with("mqtt://")) {
    settings.tls = false;
    rest = url.substr(7);
  } else if (url.starts_with("mqtts://")) {
    settings.tls = true;
    rest = url.substr(8);
  } else {
    throw bad("the scheme is neither mqtt nor mqtts");
  }
  if (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);
  int port = settings.tls ? 8883 : 1883;
  std::string_view host = rest;
  const auto colon = rest.rfind(':');
  const bool bracketed = rest.starts_with('[');
  if (colon != std::string_view::npos && (!bracketed || rest.find(']') < colon)) {
    host = rest.substr(0, colon);
    const std::string_view digits = rest.substr(colon + 1);
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
    if (ec != std::errc{} || end != digits.data() + digits.size() || port < 1 || port > 65535) {
      throw bad("the port is not a number from 1 to 65535");
    }
  }
  if (bracketed) {
    if (!host.ends_with(']')) throw bad("an IPv6 address needs its closing bracket");
    host = host.substr(1, host.size() - 2);
  }
  if (host.empty()) throw bad("no host");
  if (host.find_first_of("/@?# ") != std::string_view::npos) {
    throw bad("the host has characters a host name cannot have");
  }
  settings.host = std::string(host);
  settings.port = port;
}

std::chrono::milliseconds ReconnectDelay(int failures, std::uint64_t random) {
  constexpr std::int64_t kFirst = 250, kMost = 15'000;
  const int doublings = std::clamp(failures - 1, 0, 16);
  const std::int64_t base = std::min(kMost, kFirst << doublings);
  const auto jitter = static_cast<std::int64_t>(random % 1024) * (base / 4) / 1023;
  return std::chrono::milliseconds(base - base / 4 + jitter);
}

}  // namespace tavirel::service::fleet
