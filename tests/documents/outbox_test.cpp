// The journal's outbox and expiry: every state change leaves one row in the
// same transaction (none while the outbox is off), a daily closure leaves a
// closure row beside its state row, rows go only when removed, a journal of
// schema 3 gains the outbox; expires_at reads as an instant (zones and
// fractions), and a queued document past it becomes expired, finally, by the
// journal's own clock, while one not yet due or already started does not.
#include "tavirel/documents/outbox.hpp"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>

#include "document_rig.hpp"

namespace tavirel::documents::test {
namespace {

constexpr const char* kReceipt = R"({"key": "o1", "lines": [
    {"department": 1, "description": "PANE", "price": "1.50"}],
    "payments": [{"type": "cash"}]})";
constexpr const char* kClosure = R"({"key": "z1", "type": "report", "report": "fiscal-closure"})";

Outcome Ended(const std::string& key, Status status) {
  Outcome o;
  o.key = key;
  o.status = status;
  return o;
}

std::vector<std::string> States(Outbox& outbox, OutboxKind kind) {
  std::vector<std::string> states;
  for (const auto& row : outbox.After(0, 1000)) {
    if (row.kind == kind) states.push_back(row.key + ":" + row.state);
  }
  return states;
}

TEST(Outbox, EveryStateChangeLeavesOneRowInItsTransaction) {
  TempDir dir;
  const std::string path = dir.File("journal.db");
  Journal journal(path);
  Outbox outbox(path);
  journal.Admit(ParseDocument(kReceipt), "r");  // before Enable: no row
  EXPECT_EQ(outbox.Size(), 0U);

  outbox.Enable();
  outbox.Enable();  // twice is once
  const Document closure = ParseDocument(kClosure);
  journal.Admit(closure, "r");
  journal.Start(closure, 42);
  journal.Finish("z1", Ended("z1", Status::Closed));
  const Document receipt = ParseDocument(kReceipt);
  journal.Start(receipt, 42);
  StepUpdate progress;
  progress.progress = "{}";
  journal.Record("o1", progress);  // running -> running: no row
  journal.Finish("o1", Ended("o1", Status::Failed));
  journal.Admit(receipt, "r");  // T2: failed -> queued again

  EXPECT_EQ(States(outbox, OutboxKind::StateChange),
            (std::vector<std::string>{"z1:queued", "z1:running", "z1:closed", "o1:running",
                                      "o1:failed", "o1:queued"}));
  EXPECT_EQ(States(outbox, OutboxKind::Closure), std::vector<std::string>{"z1:closed"});
  const auto rows = outbox.After(0, 1000);
  ASSERT_EQ(rows.size(), 7U);
  for (const auto& row : rows) {
    EXPECT_EQ(row.register_name, "r");
    // A final state carries its outcome; the others carry none.
    EXPECT_EQ(row.outcome.has_value(), row.state == "closed" || row.state == "failed")
        << row.key << " " << row.state;
  }
  // After: a window that goes on from the last row sent.
  EXPECT_EQ(outbox.After(rows[2].id, 2).front().id, rows[3].id);
  outbox.Remove({rows[0].id, rows[1].id, 999999});
  EXPECT_EQ(outbox.Size(), 5U);
  EXPECT_EQ(outbox.After(0, 1).front().id, rows[2].id);

  outbox.Disable();
  EXPECT_EQ(outbox.Size(), 0U);
  journal.Start(receipt, 42);
  EXPECT_EQ(outbox.Size(), 0U) << "a disabled outbox makes no rows";
}

TEST(Outbox, AJournalOfSchema3GainsTheOutbox) {
  TempDir dir;
  const std::string path = dir.File("journal.db");
  { Journal journal(path); }
  // Back to schema 3: no outbox, version 3.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db,
                         "DROP TRIGGER outbox_admitted; DROP TRIGGER outbox_changed; "
                         "DROP TRIGGER outbox_closure; DROP TABLE outbox; "
                         "DROP TABLE outbox_enabled; PRAGMA user_version = 3;",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  Journal journal(path);
  Outbox outbox(path);
  outbox.Enable();
  journal.Admit(ParseDocument(kReceipt), "r");
  EXPECT_EQ(States(outbox, OutboxKind::StateChange), std::vector<std::string>{"o1:queued"});
}

TEST(Expiry, ExpiresAtReadsAsAnInstant) {
  struct Row {
    const char* text;
    std::optional<std::int64_t> ms;  // nothing: refused
  };
  const Row rows[] = {
      {"1970-01-01T00:00:00Z", 0},
      {"2026-12-08T18:00:00Z", 1796752800000},
      {"2026-12-08T19:00:00+01:00", 1796752800000},
      {"2026-12-08T17:30:00-00:30", 1796752800000},
      {"2026-12-08T18:00:00.250Z", 1796752800250},
      {"2024-02-29T00:00:00Z", 1709164800000},
      {"2026-12-08T18:00:00", std::nullopt},  // no zone
      {"2026-13-08T18:00:00Z", std::nullopt},
      {"2026-12-08 18:00Z", std::nullopt},
      {"2026-12-08T18:00:00Zjunk", std::nullopt},
      {"tomorrow", std::nullopt},
  };
  for (const Row& row : rows) {
    const std::string text = std::string(R"({"key": "e", "type": "report", "report":)") +
                             R"( "x-financial-daily", "expires_at": ")" + row.text + "\"}";
    if (row.ms) {
      EXPECT_EQ(ExpiresAtMs(ParseDocument(text)), row.ms) << row.text;
    } else {
      EXPECT_THROW(ParseDocument(text), DocumentError) << row.text;
    }
  }
  // Part of the content: the same key with another expiry is other content.
  const Document a =
      ParseDocument(R"({"key": "e", "type": "reprint", "expires_at": "2026-12-08T18:00:00Z"})");
  const Document b = ParseDocument(R"({"key": "e", "type": "reprint"})");
  EXPECT_NE(ContentHash(a), ContentHash(b));
  EXPECT_EQ(ParseDocument(ToJson(a)).expires_at, a.expires_at);
}

TEST(Expiry, AQueuedDocumentPastItsTimeExpiresOnceAndFinally) {
  TempDir dir;
  const std::string path = dir.File("journal.db");
  std::atomic<std::int64_t> now{1796752800000 - 1};  // a millisecond before
  JournalOptions options;
  options.now_ms = [&now] { return now.load(); };
  Journal journal(path, options);
  const Document due =
      ParseDocument(R"({"key": "e1", "type": "reprint", "expires_at": "2026-12-08T18:00:00Z"})");
  const Document timeless = ParseDocument(R"({"key": "e2", "type": "reprint"})");
  const Document started =
      ParseDocument(R"({"key": "e3", "type": "reprint", "expires_at": "2026-12-08T18:00:00Z"})");
  for (const auto* d : {&due, &timeless, &started}) journal.Admit(*d, "r");
  journal.Start(started, 7);

  EXPECT_FALSE(journal.Expire(due)) << "not yet due";
  now = 1796752800000;
  const auto outcome = journal.Expire(due);
  ASSERT_TRUE(outcome);
  EXPECT_EQ(outcome->status, Status::Expired);
  EXPECT_FALSE(journal.Expire(timeless));
  EXPECT_FALSE(journal.Expire(started)) << "a document that started is not taken back";
  EXPECT_FALSE(journal.Expire(due)) << "expired once";

  // Final: answered from the journal, never started, never queued again.
  const Admitted again = journal.Admit(due, "r");
  EXPECT_EQ(again.admission, Admission::Answered);
  EXPECT_EQ(again.entry.outcome->status, Status::Expired);
  EXPECT_EQ(journal.Start(due, 7).kind, StartKind::Ended);
  EXPECT_EQ(journal.Unfinished("r").entries.size(), 2U);  // e2 queued, e3 running
}

}  // namespace
}  // namespace tavirel::documents::test
