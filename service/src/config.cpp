#include "config.hpp"

#include <algorithm>
#include <cctype>
#include <nlohmann/json.hpp>
#include <set>

#include "fleet/fleet_topics.hpp"
#include "service_errors.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/line_settings.hpp"
#include "tavirel/support/currency_mode.hpp"

namespace tavirel::service {
namespace {

using Json = nlohmann::json;

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    const auto at = text.find(separator, start);
    parts.emplace_back(text.substr(start, at - start));
    if (at == std::string_view::npos) return parts;
    start = at + 1;
  }
}

void CheckName(std::string_view name, std::string_view origin) {
  const bool valid =
      !name.empty() && name.size() <= 32 && std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-';
      });
  if (!valid) {
    throw ConfigError("register name \"" + std::string(name) + "\" in " + std::string(origin) +
                      ": use 1 to 32 letters, digits, '_' or '-'");
  }
}

std::int32_t ParseMode(std::string_view text, std::string_view origin) {
  if (const auto mode = support::ParseCurrencyMode(text, false)) return *mode;
  throw ConfigError("mode \"" + std::string(text) + "\" in " + std::string(origin) +
                    ": use euro or lire");
}

std::string CheckSettings(const std::string& text, std::string_view origin) {
  try {
    return LineSettings::Parse(text).ToString();
  } catch (const SettingsError& e) {
    throw ConfigError(std::string(e.what()) + " in " + std::string(origin));
  }
}

// ---- JSON configuration --------------------------------------------------

template <typename T>
T Field(const Json& object, const char* name, std::string_view path) {
  try {
    return object.at(name).get<T>();
  } catch (const Json::exception&) {
    throw ConfigError("configuration field " + std::string(path) + "." + name +
                      " is missing or of the wrong kind");
  }
}

void OnlyFields(const Json& object, std::initializer_list<std::string_view> known,
                std::string_view path) {
  if (!object.is_object())
    throw ConfigError("configuration " + std::string(path) + " is not an object");
  for (const auto& [name, value] : object.items()) {
    if (std::find(known.begin(), known.end(), name) == known.end()) {
      throw ConfigError("unknown configuration field " + std::string(path) + "." + name);
    }
  }
}

void FleetFromJson(const Json& object, FleetConfig& fleet) {
  OnlyFields(object,
             {"url", "store", "ca_file", "cert_file", "key_file", "username", "password_file",
              "session_expiry_s"},
             "mqtt");
  const std::pair<const char*, std::string*> texts[] = {
      {"url", &fleet.url},
      {"store", &fleet.store},
      {"ca_file", &fleet.mqtt.ca_file},
      {"cert_file", &fleet.mqtt.cert_file},
      {"key_file", &fleet.mqtt.key_file},
      {"username", &fleet.mqtt.username},
      {"password_file", &fleet.mqtt.password_file},
  };
  for (const auto& [name, field] : texts) {
    if (object.contains(name)) *field = Field<std::string>(object, name, "mqtt");
  }
  if (object.contains("session_expiry_s")) {
    const auto seconds = Field<std::int64_t>(object, "session_expiry_s", "mqtt");
    if (seconds < 0 || seconds > 0xFFFFFFFFLL) {
      throw ConfigError("configuration field mqtt.session_expiry_s must be 0 to 4294967295");
    }
    fleet.mqtt.session_expiry = std::chrono::seconds(seconds);
  }
}

void CompleteFleet(FleetConfig& fleet) {
  if (fleet.url.empty()) {
    if (!fleet.store.empty()) throw ConfigError("--store needs --mqtt (the broker)");
    return;
  }
  fleet::ParseMqttUrl(fleet.url, fleet.mqtt);
  if (!fleet::IsTopicName(fleet.store)) {
    throw ConfigError("--mqtt needs --store NAME: 1 to 32 letters, digits, - or _ (got \"" +
                      fleet.store + "\")");
  }
  if (fleet.mqtt.cert_file.empty() != fleet.mqtt.key_file.empty()) {
    throw ConfigError("a client certificate needs both its certificate and its key file");
  }
  if (!fleet.mqtt.password_file.empty() && fleet.mqtt.username.empty()) {
    throw ConfigError("a broker password file needs a user name");
  }
  if (fleet.mqtt.client_id.empty()) fleet.mqtt.client_id = "tavireld-" + fleet.store;
}

RegisterConfig RegisterFromJson(const Json& entry, const std::string& path) {
  OnlyFields(entry, {"name", "device", "settings", "mode"}, path);
  RegisterConfig reg;
  reg.name = Field<std::string>(entry, "name", path);
  CheckName(reg.name, path);
  reg.device = Field<std::string>(entry, "device", path);
  if (reg.device.empty()) throw ConfigError("configuration field " + path + ".device is empty");
  if (entry.contains("settings")) {
    reg.settings = CheckSettings(Field<std::string>(entry, "settings", path), path);
  }
  if (entry.contains("mode")) reg.mode = ParseMode(Field<std::string>(entry, "mode", path), path);
  return reg;
}

// One row per limit: its JSON name and where it goes.
struct LimitField {
  const char* name;
  std::size_t Limits::*count = nullptr;
  std::chrono::seconds Limits::*seconds = nullptr;
};
constexpr LimitField kLimitFields[] = {
    {"body_bytes", &Limits::body_bytes},
    {"json_depth", &Limits::json_depth},
    {"queue_length", &Limits::queue_length},
    {"connections", &Limits::connections},
    {"waiting_connections", &Limits::waiting_connections},
    {"event_streams", &Limits::event_streams},
    {"io_timeout", nullptr, &Limits::io_timeout},
    {"request_timeout", nullptr, &Limits::request_timeout},
    {"keep_alive", nullptr, &Limits::keep_alive},
    {"max_wait", nullptr, &Limits::max_wait},
    {"stop_grace", nullptr, &Limits::stop_grace},
};

void LimitsFromJson(const Json& object, Limits& limits) {
  if (!object.is_object()) throw ConfigError("configuration limits is not an object");
  for (const auto& [name, value] : object.items()) {
    const auto* row = std::find_if(std::begin(kLimitFields), std::end(kLimitFields),
                                   [&](const LimitField& f) { return name == f.name; });
    if (row == std::end(kLimitFields))
      throw ConfigError("unknown configuration field limits." + name);
    if (!value.is_number_unsigned() || value.get<std::uint64_t>() == 0 ||
        value.get<std::uint64_t>() > (1ULL << 40)) {
      throw ConfigError("configuration field limits." + name + " must be a whole number above 0");
    }
    if (row->count) limits.*(row->count) = value.get<std::size_t>();
    if (row->seconds) limits.*(row->seconds) = std::chrono::seconds(value.get<std::int64_t>());
  }
}

}  // namespace

RegisterConfig ParseRegisterOption(std::string_view text) {
  const std::string origin = "--register \"" + std::string(text) + "\"";
  const auto equals = text.find('=');
  if (equals == std::string_view::npos) {
    throw ConfigError(origin + ": expected NAME=DEVICE[,settings=...][,mode=euro|lire]");
  }
  RegisterConfig reg;
  reg.name = std::string(text.substr(0, equals));
  CheckName(reg.name, origin);
  const auto parts = Split(text.substr(equals + 1), ',');
  reg.device = parts[0];
  if (reg.device.empty()) throw ConfigError(origin + ": the device is empty");
  for (std::size_t i = 1; i < parts.size(); ++i) {
    if (parts[i].starts_with("settings=")) {
      // The settings text has commas of its own: take the parts up to the next NAME=VALUE.
      std::string settings = parts[i].substr(9);
      while (i + 1 < parts.size() && parts[i + 1].find('=') == std::string::npos) {
        settings += "," + parts[++i];
      }
      reg.settings = CheckSettings(settings, origin);
    } else if (parts[i].starts_with("mode=")) {
      reg.mode = ParseMode(parts[i].substr(5), origin);
    } else {
      throw ConfigError(origin + ": unknown part \"" + parts[i] +
                        "\" (expected settings=... or mode=euro|lire)");
    }
  }
  return reg;
}

void ParseListen(std::string_view text, ServiceConfig& config) {
  const auto colon = text.rfind(':');
  std::string_view host = colon == std::string_view::npos ? "" : text.substr(0, colon);
  const std::string_view port = colon == std::string_view::npos ? "" : text.substr(colon + 1);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  }
  const bool digits =
      !port.empty() && port.size() <= 5 &&
      std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (host.empty() || !digits || std::stoi(std::string(port)) > 65535) {
    throw ConfigError("--listen \"" + std::string(text) +
                      "\": expected HOST:PORT (a port of 0 takes any free one)");
  }
  config.listen_host = std::string(host);
  config.listen_port = std::stoi(std::string(port));
}

void ApplyConfigJson(std::string_view json, ServiceConfig& config) {
  const Json root = Json::parse(json, nullptr, false);
  if (root.is_discarded()) throw ConfigError("the configuration is not JSON");
  OnlyFields(root,
             {"listen", "journal", "token_file", "read_token_file", "allow_origins", "registers",
              "limits", "mqtt"},
             "(top level)");
  if (root.contains("listen"))
    ParseListen(Field<std::string>(root, "listen", "(top level)"), config);
  if (root.contains("journal")) config.journal = Field<std::string>(root, "journal", "(top level)");
  if (root.contains("token_file")) {
    config.token_file = Field<std::string>(root, "token_file", "(top level)");
  }
  if (root.contains("read_token_file")) {
    config.read_token_file = Field<std::string>(root, "read_token_file", "(top level)");
  }
  if (root.contains("allow_origins")) {
    config.allow_origins = Field<std::vector<std::string>>(root, "allow_origins", "(top level)");
  }
  if (root.contains("registers")) {
    const Json& list = root.at("registers");
    if (!list.is_array()) throw ConfigError("configuration field registers is not a list");
    config.registers.clear();
    for (std::size_t i = 0; i < list.size(); ++i) {
      config.registers.push_back(RegisterFromJson(list[i], "registers[" + std::to_string(i) + "]"));
    }
  }
  if (root.contains("limits")) LimitsFromJson(root.at("limits"), config.limits);
  if (root.contains("mqtt")) FleetFromJson(root.at("mqtt"), config.fleet);
}

void Complete(ServiceConfig& config) {
  if (config.registers.empty()) {
    config.registers.push_back(
        RegisterConfig{.name = "sim", .device = std::string(kBuiltInDevice)});
  }
  std::set<std::string> names, devices;
  for (const auto& reg : config.registers) {
    if (!names.insert(reg.name).second)
      throw ConfigError("register name \"" + reg.name + "\" given twice");
    if (!reg.BuiltIn() && !devices.insert(reg.device).second) {
      throw ConfigError("device \"" + reg.device + "\" given to two registers");
    }
  }
  CompleteFleet(config.fleet);
  for (const auto& origin : config.allow_origins) {
    if (origin == "*" || origin == "null" ||
        !(origin.starts_with("http://") || origin.starts_with("https://")) ||
        origin.find('/', origin.find("//") + 2) != std::string::npos) {
      throw ConfigError("--allow-origin \"" + origin +
                        "\": give one origin as scheme://host[:port] (no wildcard, no path)");
    }
  }
}

bool IsLoopbackHost(std::string_view host) {
  if (host == "localhost" || host == "::1") return true;
  // A dotted IPv4 address in 127.0.0.0/8: four numbers up to 255, without
  // leading zeros (read as octal elsewhere).
  int parts = 0;
  unsigned first = 0;
  for (std::size_t at = 0; parts < 4; ++parts) {
    const std::size_t end = std::min(host.find('.', at), host.size());
    const std::string_view part = host.substr(at, end - at);
    if (part.empty() || part.size() > 3 || (part.size() > 1 && part[0] == '0')) return false;
    unsigned value = 0;
    for (char c : part) {
      if (c < '0' || c > '9') return false;
      value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 255) return false;
    if (parts == 0) first = value;
    if (end == host.size()) return parts == 3 && first == 127;
    at = end + 1;
  }
  return false;
}

std::string ModeName(std::int32_t mode) { return support::CurrencyModeName(mode); }

}  // namespace tavirel::service
