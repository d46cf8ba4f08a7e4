// The journal's statements against a journal of 100,000 documents: every
// statement the journal prepared while it ran each of its transitions is
// taken from its connections' statement caches (so one added later is
// checked without being listed here), and SQLite's plan for it must find its
// rows by an index: a per-document statement that scans a table makes every
// document slower as the journal grows.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <mutex>
#include <set>
#include <vector>

#include "document_rig.hpp"
#include "stored_documents.hpp"

namespace tavirel::documents::test {
namespace {

// The connections opened while a test watches: SQLite calls this for each.
std::mutex watched_mutex;
std::vector<sqlite3*> watched;
int Watch(sqlite3* db, const char**, const void*) {
  std::lock_guard lock(watched_mutex);
  watched.push_back(db);
  return SQLITE_OK;
}
using Entry = void (*)();

std::vector<std::string> Plan(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* stmt = nullptr;
  std::vector<std::string> details;
  if (sqlite3_prepare_v2(db, ("EXPLAIN QUERY PLAN " + sql).c_str(), -1, &stmt, nullptr) !=
      SQLITE_OK) {
    ADD_FAILURE() << "cannot explain " << sql << ": " << sqlite3_errmsg(db);
    return details;
  }
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    details.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 3)));
  }
  sqlite3_finalize(stmt);
  return details;
}

Document Receipt(const std::string& key) {
  return ParseDocument(R"({"key": ")" + key + R"(", "lines": [
      {"department": 1, "description": "PANE", "price": "1.50"}], "payments": [{"type": "cash"}]})");
}

StepUpdate Sending(std::size_t from) {
  StepUpdate u;
  u.from = from;
  u.steps.push_back({"opReparto", "opReparto 1 PANE 1.5 1", {}, StepEnd::Interrupted});
  u.in_flight = true;
  u.progress = "{}";
  return u;
}

// Every transition of the journal, once, on its own keys.
void RunEveryTransition(Journal& journal) {
  const Document a = Receipt("plan-a");
  journal.Admit(a, "reg-0");  // T1
  journal.Admit(a, "reg-0");  // pending
  journal.Lookup(a.key);
  journal.Unfinished("reg-0");
  journal.InFlight(100000);
  journal.Start(a, 100000, Sending(0));  // T3
  journal.Record(a.key, Sending(1));     // T5
  Outcome failed;
  failed.key = a.key;
  failed.status = Status::Failed;
  journal.Finish(a.key, failed);  // T6
  journal.Admit(a, "reg-0");      // T2
  journal.Start(a, 100000, Sending(0));
  Outcome attention = failed;
  attention.status = Status::NeedsAttention;
  journal.Finish(a.key, attention);
  Settlement retry;
  retry.action = Settlement::Action::Retry;
  journal.Settle(a.key, retry);  // T8
  journal.Start(a, 100000);      // T4
  journal.Finish(a.key, attention);
  Settlement settled;
  settled.action = Settlement::Action::MarkSettled;
  settled.settled_as = Status::Closed;
  settled.note = "by hand";
  journal.Settle(a.key, settled);  // T9
  const Document b = Receipt("plan-b");
  journal.Admit(b, "reg-1");
  journal.Start(b, 100001);
  Outcome back;
  back.key = b.key;
  back.status = Status::Queued;
  journal.Finish(b.key, back);  // T7
}

TEST(JournalQueries, NoStatementScansATableOfAHundredThousandDocuments) {
  TempDir dir;
  const std::string path = dir.File("journal.db");
  StoreDocuments(path, 100'000);
  ASSERT_EQ(sqlite3_auto_extension(reinterpret_cast<Entry>(Watch)), SQLITE_OK);
  std::set<std::string> statements;
  {
    Journal journal(path);
    ASSERT_EQ(journal.Unfinished("reg-2").entries.size(), 0U);
    ASSERT_TRUE(journal.Lookup("stored-99999").has_value());
    RunEveryTransition(journal);
    std::lock_guard lock(watched_mutex);
    ASSERT_FALSE(watched.empty());
    for (sqlite3* db : watched) {
      for (sqlite3_stmt* s = sqlite3_next_stmt(db, nullptr); s; s = sqlite3_next_stmt(db, s)) {
        const std::string sql = sqlite3_sql(s);
        // The per-document statements: the schema's own, run once when the file opens, aside.
        if (sql.find("sqlite_master") != std::string::npos || sql.rfind("PRAGMA", 0) == 0) continue;
        statements.insert(sql);
        for (const std::string& step : Plan(db, sql)) {
          EXPECT_NE(step.rfind("SCAN", 0), 0U) << sql << "\n  plans: " << step;
          EXPECT_EQ(step.find("TEMP B-TREE"), std::string::npos) << sql << "\n  plans: " << step;
        }
      }
    }
    watched.clear();
  }
  sqlite3_cancel_auto_extension(reinterpret_cast<Entry>(Watch));
  // Each transition prepared its statements: reading, admitting, starting,
  // writing steps, finishing, requeueing, settling.
  EXPECT_GE(statements.size(), 13U);
}

}  // namespace
}  // namespace tavirel::documents::test
