// The tavireld program end to end: its token, its command line, registers
// on a device and behind network ports, and SIGTERM with a document in
// progress on a register in a process of its own.
#include "program.hpp"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <regex>
#include <thread>

#include "../net/ser2net_process.hpp"
#include "tavirel/documents/journal.hpp"
#include "temp_dir.hpp"

namespace tavirel::service {
namespace {

using namespace std::chrono_literals;
using Json = nlohmann::json;
using testing::Program;
using testing::TempDir;

// Reads "tavireld: serving http://127.0.0.1:PORT": the port, or 0.
int ServingPort(Program& program) {
  const auto line = program.ReadLine(30s);
  std::smatch match;
  if (!line || !std::regex_match(*line, match,
                                 std::regex(R"(tavireld: serving http://127\.0\.0\.1:(\d+))"))) {
    return 0;
  }
  return std::stoi(match[1]);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

httplib::Client ClientFor(int port, const std::string& token) {
  httplib::Client client("127.0.0.1", port);
  client.set_bearer_token_auth(token.c_str());
  client.set_read_timeout(30s);
  return client;
}

template <typename Predicate>
bool Eventually(Predicate predicate, std::chrono::seconds limit = 30s) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!predicate()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

std::string Status(httplib::Client& client, const std::string& path) {
  const auto res = client.Get(path.c_str());
  if (!res || res->status != 200) return "";
  const Json body = Json::parse(res->body);
  return body.contains("state") ? body["state"].get<std::string>()
                                : body["status"].get<std::string>();
}

TEST(Program, MakesItsTokenAndJournalInTheUsersFoldersAndNeverPrintsTheToken) {
  TempDir dir;
  Program daemon({TAVIRELD_PATH, "--listen", "127.0.0.1:0"},
                 {{"XDG_CONFIG_HOME", dir / "config"}, {"XDG_STATE_HOME", dir / "state"}});
  const int port = ServingPort(daemon);
  ASSERT_GT(port, 0) << daemon.Errors();
  const std::string token_path = dir / "config/tavirel/token";
  struct stat info {};
  ASSERT_EQ(::stat(token_path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600U);
  const std::string token = ReadFile(token_path).substr(0, 64);
  auto client = ClientFor(port, token);
  ASSERT_TRUE(Eventually([&] { return Status(client, "/v1/registers/sim") == "open"; }));
  EXPECT_EQ(::stat((dir / "state/tavirel/journal.db").c_str(), &info), 0);
  httplib::Client anonymous("127.0.0.1", port);
  EXPECT_EQ(anonymous.Get("/v1/registers")->status, 401);
  daemon.Signal(SIGTERM);
  EXPECT_EQ(daemon.Wait(30s), 0);
  const std::string printed = daemon.Output() + daemon.Errors();
  EXPECT_NE(printed.find("event=token-made token_file=" + token_path), std::string::npos)
      << printed;
  EXPECT_EQ(printed.find(token), std::string::npos);
}

TEST(Program, RefusesWhatItCannotServeWithAMessage) {
  TempDir dir;
  const int taken = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(taken, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(taken, 1), 0);
  socklen_t length = sizeof address;
  ::getsockname(taken, reinterpret_cast<sockaddr*>(&address), &length);
  const std::string busy = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
  struct Row {
    std::vector<std::string> args;
    int status;
    const char* message;
  };
  const Row rows[] = {
      {{"--register", "banco"}, 1, "NAME=DEVICE"},
      {{"--listen", busy}, 1, "cannot listen on 127.0.0.1"},
      {{"--config", dir / "missing.json"}, 1, "cannot read the configuration file"},
      {{"--token-file", dir / "folder/"}, 1, "token"},
      {{"--frobnicate"}, 2, "frobnicate"},
  };
  for (const auto& row : rows) {
    std::vector<std::string> args{TAVIRELD_PATH, "--journal", dir / "j.db"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    Program daemon(args);
    EXPECT_EQ(daemon.Wait(30s), row.status) << row.args[0];
    EXPECT_NE(daemon.Errors().find(row.message), std::string::npos) << daemon.Errors();
  }
  ::close(taken);
}

// One register on its device path, one behind a raw TCP port and one behind
// an RFC 2217 port (Debian's ser2net in front of a register of its own):
// each prints exactly the receipt sent to it.
TEST(Program, ServesRegistersOnDevicesAndNetworkPorts) {
#ifndef TAVIREL_CLI_PATH
  GTEST_SKIP() << "the command line (tavirel sim) is not built";
#else
  if (tavirel::test::Ser2netProgram().empty()) GTEST_SKIP() << "ser2net is not installed";
  using tavirel::test::Ser2net;
  TempDir dir;
  struct Row {
    std::string name;
    std::optional<Ser2net::Mode> network;
  };
  const std::vector<Row> rows{
      {"local", std::nullopt}, {"raw", Ser2net::Mode::Raw}, {"telnet", Ser2net::Mode::Rfc2217}};
  std::vector<std::unique_ptr<Program> > registers;
  std::vector<std::unique_ptr<Ser2net> > bridges;
  std::vector<std::string> args{TAVIRELD_PATH, "--listen",     "127.0.0.1:0", "--journal",
                                dir / "j.db",  "--token-file", dir / "token"};
  for (const auto& row : rows) {
    const std::string serial = std::to_string(200001 + registers.size());
    registers.push_back(std::make_unique<Program>(std::vector<std::string>{
        TAVIREL_CLI_PATH, "sim", "--paper", dir / (row.name + ".jsonl"), "--serial", serial}));
    const auto device = registers.back()->ReadLine(20s);
    ASSERT_TRUE(device && device->starts_with("DEVICE /dev/")) << registers.back()->Errors();
    std::string port = device->substr(7);
    if (row.network) {
      bridges.push_back(std::make_unique<Ser2net>(port, *row.network));
      // A pseudo-terminal has no CTS line for ser2net to report.
      port = *row.network == Ser2net::Mode::Raw ? bridges.back()->Url("tcp")
                                                : bridges.back()->Url("rfc2217", "?cts=ignore");
    }
    args.insert(args.end(), {"--register", row.name + "=" + port + ",settings=9600,n,8,1"});
  }
  Program daemon(args);
  const int port = ServingPort(daemon);
  ASSERT_GT(port, 0) << daemon.Errors();
  auto client = ClientFor(port, ReadFile(dir / "token").substr(0, 64));
  const std::string receipt =
      R"({"lines": [{"department": 1, "description": "PANE", "price": "1.50"}], "payments": [{"type": "cash"}]})";
  for (const auto& row : rows) {
    ASSERT_TRUE(Eventually([&] { return Status(client, "/v1/registers/" + row.name) == "open"; }))
        << row.name << ": " << daemon.Errors();
    const auto res =
        client.Post(("/v1/registers/" + row.name + "/documents").c_str(),
                    {{"Idempotency-Key", "net-" + row.name}}, receipt, "application/json");
    ASSERT_TRUE(res && res->status == 200) << row.name << ": " << (res ? res->body : "no answer");
    EXPECT_EQ(Json::parse(res->body)["status"], "closed") << row.name;
  }
  daemon.Signal(SIGTERM);
  EXPECT_EQ(daemon.Wait(30s), 0) << daemon.Errors();
  for (const auto& row : rows) {
    const std::string paper = ReadFile(dir / (row.name + ".jsonl"));
    EXPECT_EQ(std::count(paper.begin(), paper.end(), '\n'), 1)
        << row.name << ": " << paper << daemon.Errors();
    const Json printed = Json::parse(paper.substr(0, paper.find('\n')));
    EXPECT_EQ(printed["kind"], "receipt") << row.name;
    EXPECT_EQ(printed["total"], "1.50") << row.name;
  }
#endif
}

// Two names for one register (here: two registers with one fiscal serial):
// the second to open is refused and says why, so no document of one is ever
// settled by readings of the other's line.
TEST(Program, OneRegisterUnderTwoNamesIsServedUnderOneOnly) {
#ifndef TAVIREL_CLI_PATH
  GTEST_SKIP() << "the command line (tavirel sim) is not built";
#else
  TempDir dir;
  std::vector<std::unique_ptr<Program> > registers;
  std::vector<std::string> args{TAVIRELD_PATH, "--listen",     "127.0.0.1:0", "--journal",
                                dir / "j.db",  "--token-file", dir / "token"};
  for (const std::string name : {"a", "b"}) {
    registers.push_back(std::make_unique<Program>(
        std::vector<std::string>{TAVIREL_CLI_PATH, "sim", "--serial", "300001"}));
    const auto device = registers.back()->ReadLine(20s);
    ASSERT_TRUE(device && device->starts_with("DEVICE /dev/")) << registers.back()->Errors();
    args.insert(args.end(), {"--register", name + "=" + device->substr(7)});
  }
  Program daemon(args);
  const int port = ServingPort(daemon);
  ASSERT_GT(port, 0) << daemon.Errors();
  auto client = ClientFor(port, ReadFile(dir / "token").substr(0, 64));
  Json refused;
  ASSERT_TRUE(Eventually([&] {
    const Json all = Json::parse(client.Get("/v1/registers")->body)["registers"];
    int open = 0;
    for (const Json& reg : all) {
      if (reg["state"] == "open") ++open;
      if (reg["state"] == "unavailable") refused = reg;
    }
    return open == 1 && !refused.is_null();
  }));
  const std::string holder = refused["name"] == "a" ? "b" : "a";
  EXPECT_NE(refused["reason"].get<std::string>().find("is register \"" + holder + "\""),
            std::string::npos)
      << refused.dump();
  daemon.Signal(SIGTERM);
  EXPECT_EQ(daemon.Wait(30s), 0) << daemon.Errors();
#endif
}

// A member call answers with the object `tavirel call --json` prints for the
// same OP on the same register.
TEST(Program, ACallAnswersWithTheCommandLinesObject) {
#ifndef TAVIREL_CLI_PATH
  GTEST_SKIP() << "the command line (tavirel sim) is not built";
#else
  TempDir dir;
  Program reg({TAVIREL_CLI_PATH, "sim", "--serial", "400001"});
  const auto device = reg.ReadLine(20s);
  ASSERT_TRUE(device && device->starts_with("DEVICE /dev/")) << reg.Errors();
  const std::vector<std::pair<std::string, std::string> > ops{
      {R"({"member": "opReadMatrFisc", "args": [1]})", "opReadMatrFisc 1"},
      {R"({"member": "opReadReparto", "args": [1]})", "opReadReparto 1"},
      {R"({"member": "opSubTot", "args": [1]})", "opSubTot 1"},
      {R"({"member": "Revision"})", "Revision"}};
  std::vector<Json> served;
  {
    Program daemon({TAVIRELD_PATH, "--register", "r=" + device->substr(7), "--listen",
                    "127.0.0.1:0", "--journal", dir / "j.db", "--token-file", dir / "token"});
    const int port = ServingPort(daemon);
    ASSERT_GT(port, 0) << daemon.Errors();
    auto client = ClientFor(port, ReadFile(dir / "token").substr(0, 64));
    ASSERT_TRUE(Eventually([&] { return Status(client, "/v1/registers/r") == "open"; }));
    for (const auto& [json, words] : ops) {
      const auto res = client.Post("/v1/registers/r/calls", json, "application/json");
      ASSERT_TRUE(res && res->status == 200) << json << ": " << (res ? res->body : "no answer");
      served.push_back(Json::parse(res->body));
    }
    daemon.Signal(SIGTERM);
    ASSERT_EQ(daemon.Wait(30s), 0) << daemon.Errors();
  }
  // Readings and a refusal: the same answers whoever asks.
  Program cli({TAVIREL_CLI_PATH, "call", "--device", device->substr(7), "--json", ops[0].second,
               ops[1].second, ops[2].second, ops[3].second});
  for (std::size_t i = 0; i < ops.size(); ++i) {
    Json printed;
    while (!printed.contains("member")) {  // past lines that answer no OP
      const auto line = cli.ReadLine(20s);
      ASSERT_TRUE(line) << cli.Errors();
      printed = Json::parse(*line, nullptr, false);
      if (!printed.is_object()) printed = Json::object();
    }
    EXPECT_EQ(served[i], printed) << ops[i].second;
  }
#endif
}

// A paced register in its own process: a receipt takes long enough for the
// signal to come while one is on the line.
TEST(Program, SigtermFinishesTheDocumentInProgressAndTheRestRunsAfterARestart) {
#ifndef TAVIREL_CLI_PATH
  GTEST_SKIP() << "the command line (tavirel sim) is not built";
#else
  TempDir dir;
  Program reg({TAVIREL_CLI_PATH, "sim", "--pace", "--state", dir / "register.json"});
  const auto device = reg.ReadLine(20s);
  ASSERT_TRUE(device && device->starts_with("DEVICE /dev/")) << reg.Errors();
  const std::vector<std::string> args{TAVIRELD_PATH, "--register",   "banco=" + device->substr(7),
                                      "--listen",    "127.0.0.1:0",  "--journal",
                                      dir / "j.db",  "--token-file", dir / "token"};
  const std::vector<std::string> keys{"term-1", "term-2", "term-3", "term-4"};
  {
    Program daemon(args);
    const int port = ServingPort(daemon);
    ASSERT_GT(port, 0) << daemon.Errors();
    auto client = ClientFor(port, ReadFile(dir / "token").substr(0, 64));
    ASSERT_TRUE(Eventually([&] { return Status(client, "/v1/registers/banco") == "open"; }));
    const std::string receipt =
        R"({"lines": [{"department": 1, "description": "PANE", "price": "1.50"}], "payments": [{"type": "cash"}]})";
    for (const auto& key : keys) {
      const auto res = client.Post("/v1/registers/banco/documents?wait=0",
                                   {{"Idempotency-Key", key}}, receipt, "application/json");
      ASSERT_TRUE(res && res->status == 202) << (res ? res->body : "no answer");
    }
    ASSERT_TRUE(Eventually([&] { return Status(client, "/v1/documents/term-1") == "running"; }));
    daemon.Signal(SIGTERM);
    EXPECT_EQ(daemon.Wait(60s), 0) << daemon.Errors();
  }
  {
    documents::Journal journal(dir / "j.db");
    const auto first = journal.Lookup("term-1");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->status, documents::Status::Closed);  // finished, not cut off
    EXPECT_EQ(journal.Lookup("term-4")->status, documents::Status::Queued);
    for (const auto& key : keys) EXPECT_NE(journal.Lookup(key)->status, documents::Status::Running);
  }
  Program daemon(args);
  const int port = ServingPort(daemon);
  ASSERT_GT(port, 0);
  auto client = ClientFor(port, ReadFile(dir / "token").substr(0, 64));
  for (const auto& key : keys) {
    EXPECT_TRUE(Eventually([&] { return Status(client, "/v1/documents/" + key) == "closed"; }, 60s))
        << key;
  }
  daemon.Signal(SIGTERM);
  EXPECT_EQ(daemon.Wait(60s), 0);
#endif
}

}  // namespace
}  // namespace tavirel::service
