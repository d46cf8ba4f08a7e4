// Schema 1 (user_version 0): states queued/running/finished, each step's end
// folded into its result name, the outcome stored whole with its steps.
// Schema 2: states by their own names, the step's end in a column of its own,
// the outcome without its steps (they are rows), amounts compared in their
// canonical form, and indexes for every per-document query.
// Schema 3: an operator's decision waiting to be carried out (instruction).
// Schema 4: the outbox (journal_outbox.cpp).
// Schema 5: indexes for listing documents by state and by register, newest
// first; the states "expired" and "cancelled".
#include "journal_schema.hpp"

#include <string>
#include <vector>

#include "journal_outbox.hpp"
#include "tavirel/documents/document_json.hpp"
#include "tavirel/documents/errors.hpp"
#include "tavirel/documents/journal.hpp"

namespace tavirel::documents {
namespace {

constexpr const char* kDocumentsTable = R"(
CREATE TABLE documents(
  seq INTEGER PRIMARY KEY AUTOINCREMENT,
  key TEXT NOT NULL UNIQUE,
  content TEXT NOT NULL,
  canonical TEXT NOT NULL,
  hash TEXT NOT NULL,
  register_name TEXT NOT NULL,
  serial INTEGER,
  state TEXT NOT NULL,
  outcome TEXT,
  progress TEXT NOT NULL DEFAULT '',
  instruction TEXT,
  updated TEXT NOT NULL DEFAULT (datetime('now')));
)";

constexpr const char* kStepsTable = R"(
CREATE TABLE steps(
  key TEXT NOT NULL,
  idx INTEGER NOT NULL,
  member TEXT NOT NULL,
  command TEXT NOT NULL,
  result INTEGER,
  ending TEXT NOT NULL,
  in_flight INTEGER NOT NULL,
  PRIMARY KEY(key, idx)) WITHOUT ROWID;
)";

constexpr const char* kIndexes = R"(
CREATE INDEX documents_unfinished ON documents(register_name, seq)
  WHERE state IN ('queued', 'running', 'uncertain', 'needs-attention');
CREATE INDEX documents_in_flight ON documents(serial, seq) WHERE state IN ('running', 'uncertain');
)";

constexpr const char* kListIndexes = R"(
CREATE INDEX IF NOT EXISTS documents_by_state ON documents(state, seq);
CREATE INDEX IF NOT EXISTS documents_listed_by_register ON documents(register_name, seq);
)";

// Schema 1 to 2 in SQL, around a new steps table (kStepsTable); the
// canonical content is recomputed after it.
constexpr const char* kFrom1Before = "ALTER TABLE steps RENAME TO steps_1;";
constexpr const char* kFrom1 = R"(
INSERT INTO steps SELECT key, idx, member, command, result,
  CASE WHEN result_name IN ('bad-reply', 'hang-up', 'cancelled', 'interrupted')
       THEN result_name ELSE 'answered' END,
  in_flight FROM steps_1;
DROP TABLE steps_1;
DROP INDEX IF EXISTS documents_by_register;
UPDATE documents SET state = 'uncertain' WHERE state = 'running' AND outcome IS NOT NULL;
UPDATE documents SET state = CASE json_extract(outcome, '$.status')
    WHEN 'uncertain' THEN 'needs-attention' ELSE json_extract(outcome, '$.status') END
  WHERE state = 'finished' AND json_valid(outcome);
UPDATE documents SET outcome = json_remove(outcome, '$.steps') WHERE json_valid(outcome);
)";

int UserVersion(Database& db) {
  Query q(db, "PRAGMA user_version");
  return q.Step() ? static_cast<int>(q.Integer(0)) : 0;
}

bool HasTables(Database& db) {
  Query q(db, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'documents'");
  return q.Step() && q.Integer(0) > 0;
}

void SetVersion(Database& db) {
  db.Exec(("PRAGMA user_version = " + std::to_string(Journal::kSchemaVersion)).c_str());
}

// Amounts are compared in their canonical form from schema 2 on. A row that
// does not read keeps what it had, and is reported when it is used.
void RecomputeCanonical(Database& db) {
  struct Fixed {
    std::string key, canonical, hash;
  };
  std::vector<Fixed> fixed;
  {
    Query q(db, "SELECT key, content FROM documents");
    while (q.Step()) {
      try {
        const Document d = ParseDocument(q.Text(1));
        fixed.push_back({q.Text(0), CanonicalContent(d), ContentHash(d)});
      } catch (const DocumentError&) {
      }
    }
  }
  for (const Fixed& f : fixed) {
    Query u(db, "UPDATE documents SET canonical = ?, hash = ? WHERE key = ?");
    u.Bind(1, f.canonical).Bind(2, f.hash).Bind(3, f.key).Run();
  }
}

}  // namespace

void CheckSchemaVersion(Database& db) {
  const int version = UserVersion(db);
  if (version > Journal::kSchemaVersion) {
    throw JournalError("journal " + db.Path() + ": written by a newer tavirel (schema version " +
                       std::to_string(version) + "; this one reads up to " +
                       std::to_string(Journal::kSchemaVersion) + "): it is left as it is");
  }
}

void BringUpToDate(Database& db) {
  const int version = UserVersion(db);
  if (version == Journal::kSchemaVersion) return;
  Transaction t(db);
  if (!HasTables(db)) {
    if (version != 0) throw JournalError("journal " + db.Path() + ": the file is not a journal");
    db.Exec(kDocumentsTable);
    db.Exec(kStepsTable);
    db.Exec(kIndexes);
    AddOutbox(db);
    db.Exec(kListIndexes);
  } else {
    if (version < 2) {  // the first schema wrote no version
      db.Exec(kFrom1Before);
      db.Exec(kStepsTable);
      db.Exec(kFrom1);
      RecomputeCanonical(db);
      db.Exec(kIndexes);
    }
    if (version < 3) db.Exec("ALTER TABLE documents ADD COLUMN instruction TEXT");
    if (version < 4) AddOutbox(db);
    if (version < 5) db.Exec(kListIndexes);
  }
  SetVersion(db);
  t.Commit();
}

}  // namespace tavirel::documents
