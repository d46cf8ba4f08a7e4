#pragma once
// A journal that already holds many documents, made fast: one receipt goes
// through the journal itself (admitted, started, its steps written, closed),
// then one transaction copies its rows under keys of their own, spread over
// four registers and four fiscal serials: the journal's own schema and row
// form, at any size.
#include <sqlite3.h>

#include <stdexcept>
#include <string>

#include "tavirel/documents/document_json.hpp"
#include "tavirel/documents/journal.hpp"

namespace tavirel::documents::test {

/// Adds `count` closed receipts of eight steps to the journal at `path`
/// (made when missing). No Journal may hold the file meanwhile.
inline void StoreDocuments(const std::string& path, int count) {
  const std::string key = "stored-template";
  {
    Journal journal(path);
    const Document d = ParseDocument(R"({"key": ")" + key + R"(", "lines": [
        {"department": 1, "description": "PANE", "price": "1.50"}],
        "payments": [{"type": "cash"}]})");
    journal.Admit(d, "reg-0");
    StepUpdate first;
    first.steps.push_back({"opReparto", "opReparto 1 PANE 1.5 1", {}, StepEnd::Interrupted});
    first.in_flight = true;
    first.progress = std::string(600, 'x');
    journal.Start(d, 100000, first);
    for (std::size_t s = 1; s < 8; ++s) {
      StepUpdate u;
      u.from = s - 1;
      u.steps.push_back({"opReparto", std::string(85, '0'), 0, StepEnd::Answered});
      u.steps.push_back({"opReparto", "opReparto 1 PANE 1.5 1", {}, StepEnd::Interrupted});
      u.in_flight = true;
      journal.Record(key, u);
    }
    Outcome o;
    o.key = key;
    o.status = Status::Closed;
    journal.Finish(key, o);
  }
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) throw std::runtime_error("cannot open " + path);
  const std::string n =
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
      std::to_string(count) + ") ";
  // Each page written once: a cache that holds the whole copy (SQLite's
  // default spills pages on the way) and a rollback journal instead of the
  // WAL, whose pages would be copied again into the file; the journal sets
  // its WAL again when it next opens the file. Under wine each write is
  // dear: this took a minute there. Nothing here needs a flush: a failed
  // copy fails the caller.
  const std::string sql =
      "PRAGMA journal_mode = DELETE; PRAGMA cache_size = -262144; PRAGMA synchronous = OFF; "
      "BEGIN; " +
      n +
      "INSERT INTO documents(key, content, canonical, hash, register_name, serial, state, "
      "outcome, progress) SELECT 'stored-' || i, replace(content, '" +
      key + "', 'stored-' || i), replace(canonical, '" + key +
      "', 'stored-' || i), hash, 'reg-' || (i % 4), 100000 + i % 4, state, "
      "replace(outcome, '" +
      key + "', 'stored-' || i), progress FROM n, documents WHERE key = '" + key + "'; " + n +
      "INSERT INTO steps SELECT 'stored-' || i, idx, member, command, result, " +
      "ending, in_flight FROM n, steps WHERE key = '" + key + "'; DELETE FROM steps WHERE key = '" +
      key + "'; DELETE FROM documents WHERE key = '" + key + "'; COMMIT;";
  char* error = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  const std::string message = error != nullptr ? error : "";
  sqlite3_free(error);
  sqlite3_close(db);
  if (rc != SQLITE_OK)
    throw std::runtime_error("cannot store documents in " + path + ": " + message);
}

}  // namespace tavirel::documents::test
