#include "config.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "command_line.hpp"
#include "service_errors.hpp"

namespace tavirel::service {
namespace {

TEST(RegisterOption, ReadsNameDeviceSettingsAndMode) {
  struct Row {
    const char* text;
    RegisterConfig expected;
  };
  const Row rows[] = {
      {"banco=/dev/ttyUSB0", {"banco", "/dev/ttyUSB0", "9600,n,8,1", TVL_EUROSETTINGS_EURO}},
      {"a=sim", {"a", "sim", "9600,n,8,1", TVL_EUROSETTINGS_EURO}},
      {"b=/dev/ttyS0,settings=19200,E,7,2",
       {"b", "/dev/ttyS0", "19200,e,7,2", TVL_EUROSETTINGS_EURO}},
      {"c=tcp://10.0.0.7:4001,mode=lire",
       {"c", "tcp://10.0.0.7:4001", "9600,n,8,1", TVL_EUROSETTINGS_LIRE}},
      {"d-1=rfc2217://h:7,settings=4800,n,8,1,mode=euro",
       {"d-1", "rfc2217://h:7", "4800,n,8,1", TVL_EUROSETTINGS_EURO}},
      {"e_2=/dev/x,mode=lire,settings=9600,o,8,1",
       {"e_2", "/dev/x", "9600,o,8,1", TVL_EUROSETTINGS_LIRE}},
  };
  for (const auto& row : rows) EXPECT_EQ(ParseRegisterOption(row.text), row.expected) << row.text;
}

TEST(RegisterOption, RefusesWhatIsNotOneRegisterNamingTheProblem) {
  const std::pair<const char*, const char*> rows[] = {
      {"/dev/ttyUSB0", "NAME=DEVICE"},
      {"=/dev/ttyUSB0", "register name"},
      {"a b=/dev/x", "register name"},
      {"abcdefghijabcdefghijabcdefghijabc=/dev/x", "register name"},
      {"a=", "device is empty"},
      {"a=,mode=euro", "device is empty"},
      {"a=/dev/x,mode=dollari", "mode \"dollari\""},
      {"a=/dev/x,settings=9600,x,8,1", "9600,x,8,1"},
      {"a=/dev/x,settings=12345,n,8,1", "12345"},
      {"a=/dev/x,speed=9600", "unknown part \"speed=9600\""},
  };
  for (const auto& [text, message] : rows) {
    try {
      ParseRegisterOption(text);
      ADD_FAILURE() << text << " was taken";
    } catch (const ConfigError& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << text << ": " << e.what();
    }
  }
}

TEST(Listen, HostAndPortOrRefused) {
  ServiceConfig config;
  ParseListen("0.0.0.0:9000", config);
  EXPECT_EQ(config.listen_host, "0.0.0.0");
  EXPECT_EQ(config.listen_port, 9000);
  ParseListen("[::1]:0", config);
  EXPECT_EQ(config.listen_host, "::1");
  EXPECT_EQ(config.listen_port, 0);
  for (const char* bad : {"8765", "localhost:", ":8765", "h:65536", "h:12a", "h:-1"}) {
    EXPECT_THROW(ParseListen(bad, config), ConfigError) << bad;
  }
}

TEST(Loopback, OnlyNamesThatStayOnThisMachine) {
  for (const char* host : {"localhost", "127.0.0.1", "127.1.2.3", "127.255.255.255", "::1"}) {
    EXPECT_TRUE(IsLoopbackHost(host)) << host;
  }
  // Only a whole dotted address: no short forms, octal-looking parts or tails.
  for (const char* host :
       {"0.0.0.0", "10.0.0.1", "128.0.0.1", "localhost.evil.com", "", "::", "127.0.0", "127.0.0.1.",
        "127.0.0.1.5", "127..0.1", "127.0.0.256", "0127.0.0.1", "127.00.0.1", "127.0.0.1x",
        " 127.0.0.1", "127.0.0.-1", "1270.0.0.1", "127.0.0.1000", "127.evil.com"}) {
    EXPECT_FALSE(IsLoopbackHost(host)) << host;
  }
}

TEST(ConfigJson, TheSameSettingsAsTheCommandLine) {
  ServiceConfig config;
  ApplyConfigJson(R"({"listen": "127.0.0.1:0", "journal": "/j.db", "token_file": "/t",
      "allow_origins": ["http://pos.local:8080"],
      "registers": [{"name": "banco", "device": "/dev/ttyUSB0", "settings": "19200,n,8,1", "mode": "lire"},
                    {"name": "prova", "device": "sim"}],
      "limits": {"queue_length": 7, "max_wait": 9}})",
                  config);
  Complete(config);
  EXPECT_EQ(config.listen_port, 0);
  EXPECT_EQ(config.journal, "/j.db");
  EXPECT_EQ(config.token_file, "/t");
  EXPECT_EQ(config.allow_origins, std::vector<std::string>{"http://pos.local:8080"});
  ASSERT_EQ(config.registers.size(), 2U);
  EXPECT_EQ(config.registers[0],
            (RegisterConfig{"banco", "/dev/ttyUSB0", "19200,n,8,1", TVL_EUROSETTINGS_LIRE}));
  EXPECT_TRUE(config.registers[1].BuiltIn());
  EXPECT_EQ(config.limits.queue_length, 7U);
  EXPECT_EQ(config.limits.max_wait, std::chrono::seconds(9));
  EXPECT_EQ(config.limits.body_bytes, Limits{}.body_bytes);
}

TEST(ConfigJson, RefusesUnknownFieldsWrongKindsAndBadLimits) {
  const std::pair<const char*, const char*> rows[] = {
      {"[1]", "not an object"},
      {"{", "not JSON"},
      {R"({"listn": "x"})", "listn"},
      {R"({"journal": 5})", "journal"},
      {R"({"registers": {}})", "registers"},
      {R"({"registers": [{"name": "a"}]})", "registers[0].device"},
      {R"({"registers": [{"name": "a", "device": "sim", "baud": 1}]})", "registers[0].baud"},
      {R"({"limits": {"queue_length": 0}})", "limits.queue_length"},
      {R"({"limits": {"queue_length": -3}})", "limits.queue_length"},
      {R"({"limits": {"speed": 3}})", "limits.speed"},
  };
  for (const auto& [json, message] : rows) {
    ServiceConfig config;
    try {
      ApplyConfigJson(json, config);
      ADD_FAILURE() << json << " was taken";
    } catch (const ConfigError& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << json << ": " << e.what();
    }
  }
}

TEST(Complete, ADefaultRegisterAndNoDuplicatesNorWildcards) {
  ServiceConfig config;
  Complete(config);
  ASSERT_EQ(config.registers.size(), 1U);
  EXPECT_EQ(config.registers[0].name, "sim");
  EXPECT_TRUE(config.registers[0].BuiltIn());

  ServiceConfig twice;
  twice.registers = {ParseRegisterOption("a=/dev/x"), ParseRegisterOption("a=/dev/y")};
  EXPECT_THROW(Complete(twice), ConfigError);
  ServiceConfig shared;
  shared.registers = {ParseRegisterOption("a=/dev/x"), ParseRegisterOption("b=/dev/x")};
  EXPECT_THROW(Complete(shared), ConfigError);
  ServiceConfig sims;
  sims.registers = {ParseRegisterOption("a=sim"), ParseRegisterOption("b=sim")};
  EXPECT_NO_THROW(Complete(sims));
  for (const char* origin : {"*", "null", "pos.local", "http://pos.local/app", "ftp://x"}) {
    ServiceConfig config;
    config.allow_origins = {origin};
    EXPECT_THROW(Complete(config), ConfigError) << origin;
  }
}

TEST(CommandLine, OptionsOverTheConfigFileAndHelp) {
  std::ostringstream out, err;
  const char* help[] = {"tavireld", "--help"};
  EXPECT_EQ(ParseCommandLine(2, help, out, err).exit_status, 0);
  EXPECT_NE(out.str().find("--register"), std::string::npos);

  const char* bad[] = {"tavireld", "--listen"};
  EXPECT_EQ(ParseCommandLine(2, bad, out, err).exit_status, 2);

  const char* args[] = {
      "tavireld", "--register",  "a=sim",          "--register", "b=/dev/ttyS1,mode=lire",
      "--listen", "127.0.0.1:0", "--allow-origin", "http://x:1"};
  const auto line = ParseCommandLine(9, args, out, err);
  ASSERT_FALSE(line.exit_status);
  ASSERT_EQ(line.config.registers.size(), 2U);
  EXPECT_EQ(line.config.registers[1].mode, TVL_EUROSETTINGS_LIRE);
  EXPECT_EQ(line.config.listen_port, 0);
  EXPECT_EQ(line.config.allow_origins.size(), 1U);

  const char* missing[] = {"tavireld", "--config", "/nonexistent/tavireld.json"};
  EXPECT_THROW(ParseCommandLine(3, missing, out, err), ConfigError);
}

}  // namespace
}  // namespace tavirel::service
