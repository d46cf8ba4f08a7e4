// The service on a journal with a row it cannot read: it starts all the
// same, runs the other documents, and says which journal and which key, in
// its log; the damaged row is left as it is.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <mutex>

#include "service_rig.hpp"
#include "tavirel/documents/document_json.hpp"
#include "tavirel/documents/journal.hpp"

namespace tavirel::service::testing {
namespace {

using namespace std::chrono_literals;

TEST(JournalRows, ADamagedRowIsLoggedWithTheJournalAndTheKeyAndTheRestRuns) {
  TempDir dir;
  const std::string path = dir / "journal.db";
  {
    documents::Journal journal(path);
    for (const char* key : {"before", "broken", "after"}) {
      journal.Admit(documents::ParseDocument(ReceiptJson(key)), "sim");
    }
  }
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "UPDATE documents SET content = '{\"key\": ' WHERE key = 'broken'",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);

  std::mutex mutex;
  std::vector<std::string> lines;
  ServiceParts parts;
  parts.log = [&](std::string_view line) {
    std::lock_guard lock(mutex);
    lines.emplace_back(line);
  };
  ServiceConfig config;
  config.registers = {ParseRegisterOption("sim=sim")};
  config.listen_host = "127.0.0.1";
  config.listen_port = 0;
  config.journal = path;
  config.token_file = dir / "token";
  Service service(config, parts);
  ASSERT_NO_THROW(service.Start());
  std::thread serving([&service] { service.Serve(); });
  httplib::Client client("127.0.0.1", service.Port());
  client.set_bearer_token_auth(service.Token().c_str());
  for (const char* key : {"before", "after"}) {
    const auto res = client.Get((std::string("/v1/documents/") + key + "?wait=30").c_str());
    ASSERT_TRUE(res);
    EXPECT_EQ(Json::parse(res->body)["status"], "closed") << res->body;
  }
  const auto broken = client.Get("/v1/documents/broken");
  ASSERT_TRUE(broken);
  EXPECT_EQ(broken->status, 500);
  EXPECT_NE(broken->body.find("broken"), std::string::npos) << broken->body;
  service.Stop();
  serving.join();
  std::lock_guard lock(mutex);
  const auto logged = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
    return l.find("event=journal-row-damaged") != std::string::npos;
  });
  ASSERT_NE(logged, lines.end());
  EXPECT_NE(logged->find("journal=" + path), std::string::npos) << *logged;
  EXPECT_NE(logged->find("key=broken"), std::string::npos) << *logged;
  EXPECT_NE(logged->find("level=error"), std::string::npos) << *logged;
}

}  // namespace
}  // namespace tavirel::service::testing
