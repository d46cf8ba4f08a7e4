// Stores on a real mosquitto (persistence on) started by the test on
// loopback. The crash run: stores of registers in processes of their own,
// a back office sending keyed receipts (some already expired), the broker
// restarted and services SIGKILLed as the outcomes come in; every document
// must end at the back office, every closed receipt be on its paper once,
// no expired one on any paper, every closure arrive under one key. A store
// offline for a run of documents prints them when it returns. The ACL: a
// store cannot publish to or read another store's topics.
//
// Size (the long form is scripts/fleet-crash): TAVIREL_FLEET_STORES (2),
// TAVIREL_FLEET_REGISTERS (2), TAVIREL_FLEET_DOCUMENTS (200),
// TAVIREL_FLEET_UPSETS (6), TAVIREL_FLEET_OFFLINE (60).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "fleet/broker_rig.hpp"

namespace tavirel::service::fleet::testing {
namespace {

std::string Receipt(const std::string& key, bool expired) {
  Json doc{{"key", key},
           {"lines",
            Json::array({Json{{"department", 1}, {"description", "PANE"}, {"price", "1.50"}},
                         Json{{"department", 2}, {"description", "LATTE"}, {"price", "0.99"}}})},
           {"payments", Json::array({Json{{"type", "cash"}}})}};
  // Friday's web order, long past when the store comes back.
  if (expired) doc["expires_at"] = "2001-01-05T18:00:00Z";
  return doc.dump();
}

std::string DocumentsTopic(const std::string& store, const std::string& reg) {
  return "tavirel/v1/" + store + "/" + reg + "/documents";
}

// Per register: the receipts' numbers on its paper, and its closures.
struct Paper {
  std::multiset<int> receipts;
  int closures = 0;
};
Paper Read(const SimRegister& reg) {
  Paper paper;
  for (const Json& r : PaperOf(reg.paper)) {
    if (r["kind"] == "receipt") paper.receipts.insert(r["number"].get<int>());
    if (r["kind"] == "fiscal-closure") ++paper.closures;
  }
  return paper;
}

bool Runnable() { return *kMosquitto && *kTavirelCli; }

TEST(FleetBroker, CrashRunEveryOutcomeArrivesEveryReceiptOnItsPaperOnce) {
  if (!Runnable()) GTEST_SKIP() << "needs mosquitto and tavirel sim";
  const int store_count = Setting("TAVIREL_FLEET_STORES", 2);
  const int register_count = Setting("TAVIREL_FLEET_REGISTERS", 2);
  const int documents = Setting("TAVIREL_FLEET_DOCUMENTS", 200);
  const int upsets = Setting("TAVIREL_FLEET_UPSETS", 6);
  TempDir dir;
  Broker broker(dir);
  broker.Start();
  std::vector<std::unique_ptr<Store>> stores;
  for (int s = 0; s < store_count; ++s) {
    stores.push_back(std::make_unique<Store>(dir, "s" + std::to_string(s + 1), register_count,
                                             broker.Url(), 100000 + s * 100));
    stores.back()->Start();
  }
  BackOffice office(broker.port());
  ASSERT_TRUE(office.Connected());

  struct Sent {
    std::string store, reg;
    bool expired = false;
  };
  std::map<std::string, Sent> sent;
  std::mt19937 random(20261208);
  for (int i = 0; i < documents; ++i) {
    const int at = i % (store_count * register_count);
    Sent s{"s" + std::to_string(at / register_count + 1),
           "r" + std::to_string(at % register_count + 1), i % 10 == 7};
    const std::string key = "fleet-" + std::to_string(i);
    sent[key] = s;
    office.Send(DocumentsTopic(s.store, s.reg), key, Receipt(key, s.expired));
  }
  // The upsets, each when another share of the documents has ended: the
  // broker restarted, or a store killed and started again.
  int broker_restarts = 0, kills = 0;
  for (int u = 1; u <= upsets; ++u) {
    const std::size_t due = static_cast<std::size_t>(documents) * static_cast<std::size_t>(u) /
                            static_cast<std::size_t>(upsets + 1);
    Eventually([&] { return office.FinalCount() >= due; }, 120s);
    if (u % 2 == 1) {
      broker.Restart();
      ++broker_restarts;
    } else {
      Store& store = *stores[random() % stores.size()];
      store.Kill();
      store.Start();
      ++kills;
    }
  }
  ASSERT_TRUE(office.AllEnded(240s)) << office.FinalCount() << " of " << documents << " ended";

  // A closure per register, once the receipts are done.
  for (const auto& store : stores) {
    for (const auto& reg : store->registers()) {
      const std::string key = "z-" + store->name() + "-" + reg.name;
      office.Send(DocumentsTopic(store->name(), reg.name), key,
                  Json{{"key", key}, {"type", "report"}, {"report", "fiscal-closure"}}.dump());
    }
  }
  ASSERT_TRUE(office.AllEnded(120s));
  ASSERT_TRUE(Eventually([&] {
    return office.Closures().size() == static_cast<std::size_t>(store_count * register_count);
  }));

  std::map<std::string, std::multiset<int>> closed;  // "store/register" -> receipt numbers
  int expired = 0, numbered = 0, duplicates = 0;
  for (const auto& [key, s] : sent) {
    const auto state = office.Final(key);
    ASSERT_TRUE(state) << key;
    if (s.expired) {
      EXPECT_EQ(*state, "expired") << key;
      ++expired;
      continue;
    }
    EXPECT_TRUE(*state == "closed" || *state == "voided") << key << ": " << *state;
    int closes = 0;
    for (const Json& m : office.Messages(key)) {
      if (m["state"] != "closed") continue;
      ++closes;
      const auto& number = m["outcome"]["receipt_number"];
      if (closes == 1)
        closed[s.store + "/" + s.reg].insert(number.is_number() ? number.get<int>() : 0);
    }
    duplicates += closes > 1 ? closes - 1 : 0;
  }
  for (const auto& store : stores) {
    for (const auto& reg : store->registers()) {
      const Paper paper = Read(reg);
      const auto& outcomes = closed[store->name() + "/" + reg.name];
      const std::set<int> distinct(paper.receipts.begin(), paper.receipts.end());
      EXPECT_EQ(distinct.size(), paper.receipts.size()) << reg.paper << ": a receipt printed twice";
      EXPECT_EQ(paper.receipts.size(), outcomes.size())
          << reg.paper
          << ": receipts on paper and closed outcomes differ (an expired one printed?)";
      for (int number : outcomes) {
        if (number == 0) continue;  // resolved closed without its number
        EXPECT_EQ(paper.receipts.count(number), 1U) << reg.paper << ": receipt " << number;
        ++numbered;
      }
      EXPECT_EQ(paper.closures, 1) << reg.paper;
    }
  }
  for (const auto& [key, messages] : office.Closures()) {
    for (const Json& m : messages) EXPECT_EQ(m["key"], key);
  }
  for (auto& store : stores) EXPECT_EQ(store->Stop(), 0);
  std::printf(
      "fleet crash run: %d stores x %d registers, %d documents (%d expired, on no paper), %d "
      "receipts matched on paper, %d broker restarts, %d kills, %d resends (%zu failed by a "
      "kill and run again), %d duplicate outcomes dropped by key, %zu closures\n",
      store_count, register_count, documents, expired, numbered, broker_restarts, kills,
      office.resends(), office.Failed().size(), duplicates, office.Closures().size());
  for (const auto& [key, why] : office.Failed())
    std::printf("  %s failed once: %s\n", key.c_str(), why.c_str());
}

TEST(FleetBroker, AStoreOfflineGetsItsDocumentsWhenItReturns) {
  if (!Runnable()) GTEST_SKIP() << "needs mosquitto and tavirel sim";
  const int documents = Setting("TAVIREL_FLEET_OFFLINE", 60);
  TempDir dir;
  Broker broker(dir);
  broker.Start();
  Store store(dir, "s1", 1, broker.Url(), 200000);
  store.Start();
  BackOffice office(broker.port());
  // Online once: the broker knows its session and subscriptions from now on.
  office.Send(DocumentsTopic("s1", "r1"), "first", Receipt("first", false));
  ASSERT_TRUE(Eventually([&] { return office.Final("first").has_value(); }));
  ASSERT_EQ(store.Stop(), 0);
  for (int i = 0; i < documents; ++i) {
    const std::string key = "away-" + std::to_string(i);
    office.Send(DocumentsTopic("s1", "r1"), key, Receipt(key, false));
  }
  broker.Restart();  // and kept across a broker restart meanwhile
  EXPECT_EQ(office.FinalCount(), 1U) << "nothing ends while the store is away";
  store.Start();
  // Not one resend: the broker alone delivers what waited.
  ASSERT_TRUE(Eventually(
      [&] { return office.FinalCount() == static_cast<std::size_t>(documents + 1); }, 180s));
  EXPECT_EQ(office.resends(), 0);
  EXPECT_EQ(Read(store.registers().front()).receipts.size(),
            static_cast<std::size_t>(documents + 1));
  EXPECT_EQ(store.Stop(), 0);
}

// One document at a time, unpaced: publish to "closed" at the back office,
// against the register's own part (from "running" to "closed" as the
// store's journal wrote them).
TEST(FleetBroker, LatencyFromPublishToOutcome) {
  if (!Runnable()) GTEST_SKIP() << "needs mosquitto and tavirel sim";
  const int documents = Setting("TAVIREL_FLEET_LATENCY", 40);
  // TAVIREL_FLEET_PACED=1: the register at its line speed (9600 baud) and printing time.
  const bool paced = Setting("TAVIREL_FLEET_PACED", 0) != 0;
  TempDir dir;
  Broker broker(dir);
  broker.Start();
  Store store(dir, "s1", 1, broker.Url(), 400000, {},
              paced ? std::vector<std::string>{"--pace"} : std::vector<std::string>{});
  store.Start();
  BackOffice office(broker.port());
  std::vector<double> total_ms, register_ms;
  for (int i = 0; i < documents; ++i) {
    const std::string key = "lat-" + std::to_string(i);
    const auto sent = std::chrono::steady_clock::now();
    office.Send(DocumentsTopic("s1", "r1"), key, Receipt(key, false));
    ASSERT_TRUE(Eventually([&] { return office.Final(key).has_value(); }, 60s)) << key;
    const auto closed = office.Arrived(key, "closed");
    const auto started = office.MadeMs(key, "running"), ended = office.MadeMs(key, "closed");
    ASSERT_TRUE(closed && started && ended) << key << ": " << office.Final(key).value_or("");
    total_ms.push_back(std::chrono::duration<double, std::milli>(*closed - sent).count());
    register_ms.push_back(*ended - *started);
  }
  const auto pct = [](std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))];
  };
  std::printf(
      "fleet latency (%d documents, %s): publish->closed p50 %.1f ms p99 %.1f ms; "
      "running->closed (the register's part) p50 %.1f ms p99 %.1f ms\n",
      documents, paced ? "9600 baud" : "unpaced", pct(total_ms, 0.5), pct(total_ms, 0.99),
      pct(register_ms, 0.5), pct(register_ms, 0.99));
  // The link adds little beside the register: well under a second a document.
  EXPECT_LT(pct(total_ms, 0.5) - pct(register_ms, 0.5), 1000.0);
  EXPECT_EQ(store.Stop(), 0);
}

// The back office's command: send and wait, a copy answered from the
// journal, the closures collected once per key into CSV, the list of
// registers by their retained status.
TEST(FleetBroker, TheFleetCommandSendsWaitsListsAndCollects) {
  if (!Runnable()) GTEST_SKIP() << "needs mosquitto and tavirel sim";
  TempDir dir;
  Broker broker(dir);
  broker.Start();
  Store store(dir, "s1", 1, broker.Url(), 500000);
  store.Start();
  const auto fleet = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {kTavirelCli, "fleet", "--broker", broker.Url()});
    return Program(args).Finish(120s);
  };
  std::ofstream(dir / "r.json") << Receipt("cmd-1", false);
  std::ofstream(dir / "z.json") << Json{
      {"key", "cmd-z"},
      {"type", "report"},
      {"report", "fiscal-closure"}}.dump();
  Program collector({kTavirelCli, "fleet", "--broker", broker.Url(), "closures", "--csv",
                     dir / "z.csv", "--for", "300"});
  ASSERT_TRUE(
      Eventually([&] { return collector.Errors().find("collecting") != std::string::npos; }, 60s))
      << collector.Errors();
  struct Row {
    const char* file;
    int status;
    const char* state;
    bool replayed;
  };
  const Row rows[] = {
      {"r.json", 0, "closed", false},
      {"r.json", 0, "closed", true},  // the same key again: nothing printed
      {"z.json", 0, "closed", false},
  };
  for (const Row& row : rows) {
    const auto result = fleet({"send", "s1/r1", dir / row.file, "--wait", "60"});
    ASSERT_EQ(result.status, row.status) << result.err;
    const Json outcome = Json::parse(result.out);
    EXPECT_EQ(outcome["state"], row.state);
    EXPECT_EQ(outcome.value("replayed", false), row.replayed) << row.file;
  }
  EXPECT_EQ(Read(store.registers().front()).receipts.size(), 1U);
  const auto csv = [&] {
    std::ifstream in(dir / "z.csv");
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  ASSERT_TRUE(Eventually([&] { return csv().find("cmd-z,s1,r1,") != std::string::npos; }, 60s));
  collector.Signal(SIGTERM);
  collector.Wait(30s);
  EXPECT_EQ(csv().rfind("cmd-z"), csv().find("cmd-z")) << "one row per closure";
  const auto listed = fleet({"list"});
  EXPECT_NE(listed.out.find("s1/r1 open"), std::string::npos) << listed.out;
  const auto offline = fleet({"list", "--offline"});
  EXPECT_EQ(offline.out, "") << "nothing is offline";
  EXPECT_EQ(store.Stop(), 0);
  const auto gone = fleet({"list", "--offline"});
  EXPECT_NE(gone.out.find("s1 offline"), std::string::npos) << gone.out;
}

TEST(FleetBroker, AStoreCannotPublishToOrReadAnotherStoresTopics) {
  if (!Runnable()) GTEST_SKIP() << "needs mosquitto and tavirel sim";
  TempDir dir;
  const std::string passwords = dir / "passwords", acl = dir / "acl";
  for (const char* user : {"backoffice", "sa", "sb"}) {
    const std::string cmd = std::string("mosquitto_passwd -b ") + (user[0] == 'b' ? "-c " : "") +
                            passwords + " " + user + " pw-" + user + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    std::ofstream(dir / (std::string(user) + ".pw")) << "pw-" << user << "\n";
  }
  std::ofstream(acl) << "user backoffice\ntopic readwrite tavirel/v1/#\n\n"
                        "pattern readwrite tavirel/v1/%u/#\n";
  Broker broker(dir,
                "allow_anonymous false\npassword_file " + passwords + "\nacl_file " + acl + "\n");
  broker.Start();
  Store b(dir, "sb", 1, broker.Url(), 300000,
          {"--mqtt-username", "sb", "--mqtt-password-file", dir / "sb.pw"});
  b.Start();
  BackOffice office(broker.port(), "backoffice", "backoffice", dir / "backoffice.pw");
  // Store A's credentials, reaching for B's topics.
  BackOffice intruder(broker.port(), "store-a", "sa", dir / "sa.pw",
                      {"tavirel/v1/sb/#", "tavirel/v1/+/+/outcomes"});
  ASSERT_TRUE(intruder.Connected());
  intruder.Send(DocumentsTopic("sb", "r1"), "stolen", Receipt("stolen", false));
  // B's own document, from the back office, after A's attempt.
  office.Send(DocumentsTopic("sb", "r1"), "own", Receipt("own", false));
  ASSERT_TRUE(Eventually([&] { return office.Final("own") == "closed"; }));
  // B published its status and outcomes meanwhile: A saw none of them.
  EXPECT_EQ(intruder.Topics(), std::vector<std::string>{});
  EXPECT_FALSE(office.Final("stolen").has_value()) << "B's journal never saw A's document";
  EXPECT_EQ(Read(b.registers().front()).receipts.size(), 1U) << "only B's own receipt printed";
  EXPECT_EQ(b.Stop(), 0);
}

}  // namespace
}  // namespace tavirel::service::fleet::testing
