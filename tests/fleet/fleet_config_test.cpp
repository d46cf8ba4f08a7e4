// The store's broker settings from the command line and the JSON file (what
// is taken, what is refused with the option named), and the reconnection's
// backoff with its jitter.
#include <gtest/gtest.h>

#include <sstream>

#include "command_line.hpp"
#include "fleet/reconnect_delay.hpp"
#include "service_errors.hpp"

namespace tavirel::service::fleet {
namespace {

ServiceConfig Parse(std::vector<std::string> args) {
  args.insert(args.begin(), "tavireld");
  std::vector<const char*> argv;
  for (const auto& a : args) argv.push_back(a.c_str());
  std::ostringstream out, err;
  auto command = ParseCommandLine(static_cast<int>(argv.size()), argv.data(), out, err);
  if (command.exit_status) throw ConfigError("usage: " + err.str());
  return command.config;
}

TEST(FleetConfig, TheBrokerSettingsReadOrAreRefusedByName) {
  struct Row {
    std::vector<std::string> args;
    const char* refused;  // a part of the error, or nullptr when taken
    std::string host;
    int port;
    bool tls;
  };
  const Row rows[] = {
      {{"--mqtt", "mqtt://broker.local:1884", "--store", "milano-3"},
       nullptr,
       "broker.local",
       1884,
       false},
      {{"--mqtt", "mqtts://broker.local", "--store", "s1"}, nullptr, "broker.local", 8883, true},
      {{"--mqtt", "mqtt://[::1]:1885/", "--store", "s1"}, nullptr, "::1", 1885, false},
      {{"--mqtt", "mqtt://10.0.0.1", "--store", "s1"}, nullptr, "10.0.0.1", 1883, false},
      {{"--store", "s1"}, "--store needs --mqtt", "", 0, false},
      {{"--mqtt", "mqtt://h:1883"}, "--mqtt needs --store", "", 0, false},
      {{"--mqtt", "http://h:1883", "--store", "s1"}, "neither mqtt nor mqtts", "", 0, false},
      {{"--mqtt", "mqtt://h:0", "--store", "s1"}, "port", "", 0, false},
      {{"--mqtt", "mqtt://h:70000", "--store", "s1"}, "port", "", 0, false},
      {{"--mqtt", "mqtt://h:18x3", "--store", "s1"}, "port", "", 0, false},
      {{"--mqtt", "mqtt://:1883", "--store", "s1"}, "no host", "", 0, false},
      {{"--mqtt", "mqtt://u@h:1883", "--store", "s1"}, "host", "", 0, false},
      {{"--mqtt", "mqtt://h", "--store", "a/b"}, "--store", "", 0, false},
      {{"--mqtt", "mqtt://h", "--store", "a+#"}, "--store", "", 0, false},
      {{"--mqtt", "mqtt://h", "--store", "s1", "--mqtt-cert-file", "c.pem"}, "both", "", 0, false},
      {{"--mqtt", "mqtt://h", "--store", "s1", "--mqtt-password-file", "p"},
       "user name",
       "",
       0,
       false},
  };
  for (const Row& row : rows) {
    std::string joined;
    for (const auto& a : row.args) joined += a + " ";
    if (row.refused) {
      try {
        Parse(row.args);
        ADD_FAILURE() << joined << ": taken";
      } catch (const ConfigError& e) {
        EXPECT_NE(std::string(e.what()).find(row.refused), std::string::npos)
            << joined << ": " << e.what();
      }
      continue;
    }
    const ServiceConfig config = Parse(row.args);
    EXPECT_EQ(config.fleet.mqtt.host, row.host) << joined;
    EXPECT_EQ(config.fleet.mqtt.port, row.port) << joined;
    EXPECT_EQ(config.fleet.mqtt.tls, row.tls) << joined;
    EXPECT_EQ(config.fleet.mqtt.client_id, "tavireld-" + config.fleet.store) << joined;
  }
}

TEST(FleetConfig, TheJsonFileHoldsTheSameAndTheCommandLineWins) {
  ServiceConfig config;
  ApplyConfigJson(R"({"mqtt": {"url": "mqtts://b:8884", "store": "s9", "ca_file": "/ca.pem",
                      "username": "s9", "password_file": "/pw", "session_expiry_s": 3600}})",
                  config);
  Complete(config);
  EXPECT_EQ(config.fleet.mqtt.host, "b");
  EXPECT_EQ(config.fleet.mqtt.port, 8884);
  EXPECT_EQ(config.fleet.mqtt.ca_file, "/ca.pem");
  EXPECT_EQ(config.fleet.mqtt.session_expiry, std::chrono::seconds(3600));
  EXPECT_THROW(ApplyConfigJson(R"({"mqtt": {"uri": "mqtt://b"}})", config), ConfigError);
  EXPECT_THROW(ApplyConfigJson(R"({"mqtt": {"session_expiry_s": -1}})", config), ConfigError);
  // Without a broker the defaults hold: a week's session, no link.
  const ServiceConfig plain = Parse({});
  EXPECT_TRUE(plain.fleet.url.empty());
  EXPECT_EQ(plain.fleet.mqtt.session_expiry, std::chrono::seconds(7 * 24 * 3600));
  EXPECT_EQ(Parse({"--mqtt", "mqtt://h", "--store", "s1", "--mqtt-session-expiry", "60"})
                .fleet.mqtt.session_expiry,
            std::chrono::seconds(60));
}

TEST(FleetConfig, ReconnectionBacksOffWithinAJitterOfAQuarter) {
  struct Row {
    int failures;
    std::int64_t base_ms;
  };
  const Row rows[] = {{0, 250}, {1, 250}, {2, 500}, {3, 1000}, {6, 8000}, {7, 15000}, {99, 15000}};
  for (const Row& row : rows) {
    const auto low = ReconnectDelay(row.failures, 0).count();
    const auto high = ReconnectDelay(row.failures, 1023).count();
    EXPECT_EQ(low, row.base_ms - row.base_ms / 4) << row.failures;
    EXPECT_EQ(high, row.base_ms) << row.failures;
    const auto mid = ReconnectDelay(row.failures, 512).count();
    EXPECT_GT(mid, low) << "the jitter spreads the stores";
    EXPECT_LT(mid, high);
  }
}

}  // namespace
}  // namespace tavirel::service::fleet
