#include "command_line.hpp"

#include <CLI/CLI.hpp>
#include <fstream>
#include <optional>
#include <sstream>

#include "service_errors.hpp"
#include "tavirel/version.hpp"

namespace tavirel::service {
namespace {

struct Raw {
  std::vector<std::string> registers;
  std::string listen;
  std::string journal;
  bool new_journal = false;
  std::string config_file;
  std::string token_file;
  std::string read_token_file;
  std::vector<std::string> allow_origins;
  std::string mqtt, store, mqtt_ca_file, mqtt_cert_file, mqtt_key_file, mqtt_username,
      mqtt_password_file;
  std::optional<std::int64_t> mqtt_session_expiry;
  std::string trace_file;
  bool install_service = false;
  bool uninstall_service = false;
  bool as_service = false;
};

std::string ReadConfigFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ConfigError("cannot read the configuration file " + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

ServiceConfig Build(const Raw& raw) {
  ServiceConfig config;
  if (!raw.config_file.empty()) {
    try {
      ApplyConfigJson(ReadConfigFile(raw.config_file), config);
    } catch (const ConfigError& e) {
      throw ConfigError(raw.config_file + ": " + e.what());
    }
  }
  if (!raw.registers.empty()) {
    config.registers.clear();
    for (const auto& option : raw.registers)
      config.registers.push_back(ParseRegisterOption(option));
  }
  if (!raw.listen.empty()) ParseListen(raw.listen, config);
  if (!raw.journal.empty()) config.journal = raw.journal;
  if (raw.new_journal) config.new_journal = true;
  if (!raw.token_file.empty()) config.token_file = raw.token_file;
  if (!raw.read_token_file.empty()) config.read_token_file = raw.read_token_file;
  if (!raw.allow_origins.empty()) config.allow_origins = raw.allow_origins;
  FleetConfig& fleet = config.fleet;
  const std::pair<const std::string*, std::string*> texts[] = {
      {&raw.mqtt, &fleet.url},
      {&raw.store, &fleet.store},
      {&raw.mqtt_ca_file, &fleet.mqtt.ca_file},
      {&raw.mqtt_cert_file, &fleet.mqtt.cert_file},
      {&raw.mqtt_key_file, &fleet.mqtt.key_file},
      {&raw.mqtt_username, &fleet.mqtt.username},
      {&raw.mqtt_password_file, &fleet.mqtt.password_file},
  };
  for (const auto& [given, field] : texts) {
    if (!given->empty()) *field = *given;
  }
  if (raw.mqtt_session_expiry) {
    fleet.mqtt.session_expiry = std::chrono::seconds(*raw.mqtt_session_expiry);
  }
  if (!raw.trace_file.empty()) config.trace_file = raw.trace_file;
  Complete(config);
  return config;
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv, std::ostream& out,
                             std::ostream& err) {
  CLI::App app(
      "The register service: fiscal registers behind a local HTTP/JSON API, one queue per "
      "register, every document recorded in a journal.",
      "tavireld");
  Raw raw;
  app.add_option("--register", raw.registers,
                 "NAME=DEVICE[,settings=9600,n,8,1][,mode=euro|lire]; DEVICE is a device path, "
                 "tcp://HOST:PORT, rfc2217://HOST:PORT or sim (a built-in simulated register). "
                 "Repeatable. Default: one built-in register named sim")
      ->type_name("NAME=DEVICE");
  app.add_option("--listen", raw.listen, "Address and port to serve (default 127.0.0.1:8765)")
      ->type_name("HOST:PORT");
  app.add_option("--journal", raw.journal,
                 "The journal database (default $XDG_STATE_HOME/tavirel/journal.db)")
      ->type_name("FILE");
  app.add_flag("--new-journal", raw.new_journal,
               "An empty journal file is a new journal (otherwise an empty file where a "
               "journal was expected is refused)");
  app.add_option("--config", raw.config_file, "Settings as JSON (see docs/service.md)")
      ->type_name("FILE");
  app.add_option("--token-file", raw.token_file,
                 "The API token (default $XDG_CONFIG_HOME/tavirel/token, made at first start)")
      ->type_name("FILE");
  app.add_option("--read-token-file", raw.read_token_file,
                 "A read-only API token (GET only), made there at first start; none when absent")
      ->type_name("FILE");
  app.add_option("--allow-origin", raw.allow_origins,
                 "A browser origin allowed to call the API (CORS); repeatable")
      ->type_name("ORIGIN");
  app.add_option("--mqtt", raw.mqtt,
                 "Also take documents from an MQTT broker as a store of a fleet "
                 "(docs/fleet.md); needs --store")
      ->type_name("mqtt://HOST:PORT|mqtts://HOST:PORT");
  app.add_option("--store", raw.store, "This store's name in the broker's topics")
      ->type_name("STORE");
  app.add_option("--mqtt-ca-file", raw.mqtt_ca_file, "mqtts: the broker's CA certificate")
      ->type_name("FILE");
  app.add_option("--mqtt-cert-file", raw.mqtt_cert_file, "A client certificate (with its key)")
      ->type_name("FILE");
  app.add_option("--mqtt-key-file", raw.mqtt_key_file, "The client certificate's key")
      ->type_name("FILE");
  app.add_option("--mqtt-username", raw.mqtt_username, "The broker's user name")->type_name("NAME");
  app.add_option("--mqtt-password-file", raw.mqtt_password_file,
                 "A file whose first line is the broker's password")
      ->type_name("FILE");
  app.add_option("--mqtt-session-expiry", raw.mqtt_session_expiry,
                 "Seconds the broker keeps this store's session and its messages while it is "
                 "away (default 604800, a week)")
      ->type_name("SECONDS")
      ->check(CLI::Range(static_cast<std::int64_t>(0), static_cast<std::int64_t>(0xFFFFFFFF)));
  app.add_option("--trace", raw.trace_file,
                 "Every byte on the registers' lines, decoded as tavirel --trace prints it, "
                 "appended to FILE (- for standard error)")
      ->type_name("FILE");
  auto* install = app.add_flag("--install-service", raw.install_service,
                               "Windows: register tavireld, with the other options given, as "
                               "the service \"tavireld\" (started at boot), then exit");
  auto* uninstall = app.add_flag("--uninstall-service", raw.uninstall_service,
                                 "Windows: remove the service \"tavireld\", then exit");
  auto* as_service =
      app.add_flag("--as-service", raw.as_service)->group("");  // the manager's start
  install->excludes(uninstall)->excludes(as_service);
  uninstall->excludes(as_service);
  app.set_version_flag("--version", std::string("tavireld ") + kVersion);
  app.footer(
      "\nExamples:\n"
      "  tavireld\n"
      "  tavireld --register banco=/dev/ttyUSB0,settings=9600,n,8,1,mode=euro\n"
      "  tavireld --register a=sim --register b=tcp://10.0.0.7:4001 --allow-origin "
      "http://pos.local\n"
      "  tavireld --register banco=/dev/ttyUSB0 --mqtt mqtts://broker.example:8883 --store "
      "milano-3 --mqtt-ca-file /etc/tavirel/ca.pem");
  CommandLine result;
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) {
      result.exit_status = app.exit(e, out, err);
    } else {
      err << "tavireld: " << e.what() << " (see tavireld --help)" << std::endl;
      result.exit_status = 2;
    }
    return result;
  }
  result.config = Build(raw);
  if (raw.install_service) {
    result.system_service = SystemServiceAction::Install;
  } else if (raw.uninstall_service) {
    result.system_service = SystemServiceAction::Uninstall;
  } else if (raw.as_service) {
    result.system_service = SystemServiceAction::Run;
  }
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) != "--install-service")
      result.service_arguments.emplace_back(argv[i]);
  }
  return result;
}

}  // namespace tavirel::service
