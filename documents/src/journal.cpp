// The journal in SQLite: one row per document, one per step sent.
#include "tavirel/documents/journal.hpp"

#include <cstdlib>
#include <mutex>

#include "sqlite_db.hpp"
#include "tavirel/documents/document_json.hpp"
#include "tavirel/documents/errors.hpp"

namespace tavirel::documents {
namespace {

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS documents(
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
  updated TEXT NOT NULL DEFAULT (datetime('now')));
CREATE TABLE IF NOT EXISTS steps(
  key TEXT NOT NULL,
  idx INTEGER NOT NULL,
  member TEXT NOT NULL,
  command TEXT NOT NULL,
  result INTEGER,
  result_name TEXT NOT NULL,
  in_flight INTEGER NOT NULL,
  PRIMARY KEY(key, idx));
CREATE INDEX IF NOT EXISTS documents_by_register ON documents(register_name, state);
)";

constexpr const char* kColumns =
    "key, content, hash, register_name, serial, state, outcome, seq, progress";

EntryState StateOf(const std::string& text) {
  if (text == "queued") return EntryState::Queued;
  if (text == "running") return EntryState::Running;
  return EntryState::Finished;
}

struct Row {
  JournalEntry entry;
  std::string progress;
};

Row ReadRow(const Statement& s) {
  Row row;
  JournalEntry& e = row.entry;
  e.key = s.Text(0);
  e.document = ParseDocument(s.Text(1));
  e.content_hash = s.Text(2);
  e.register_name = s.Text(3);
  if (const auto serial = s.OptionalInteger(4)) e.serial = static_cast<std::int32_t>(*serial);
  e.state = StateOf(s.Text(5));
  if (!s.IsNull(6)) e.outcome = ParseOutcome(s.Text(6));
  e.sequence = s.Integer(7);
  row.progress = s.Text(8);
  return row;
}

bool IsFailed(const JournalEntry& e) {
  return e.state == EntryState::Finished && e.outcome && e.outcome->status == Status::Failed;
}

}  // namespace

std::string_view EntryStateName(EntryState state) {
  switch (state) {
    case EntryState::Queued: return "queued";
    case EntryState::Running: return "running";
    case EntryState::Finished: return "finished";
  }
  return "";
}

struct Journal::Impl {
  explicit Impl(const std::string& path) : db(path) {
    db.Exec("PRAGMA journal_mode=WAL");
    db.Exec("PRAGMA synchronous=FULL");
    db.Exec(kSchema);
  }

  std::optional<Row> Find(std::string_view key) {
    Statement s(db, (std::string("SELECT ") + kColumns + " FROM documents WHERE key = ?").c_str());
    s.Bind(1, key);
    if (!s.Step()) return std::nullopt;
    return ReadRow(s);
  }

  std::vector<JournalEntry> Select(const std::string& where, std::string_view text,
                                   std::optional<std::int64_t> number) {
    Statement s(
        db, (std::string("SELECT ") + kColumns + " FROM documents WHERE " + where + " ORDER BY seq")
                .c_str());
    if (number) {
      s.Bind(1, *number);
    } else {
      s.Bind(1, text);
    }
    std::vector<JournalEntry> entries;
    while (s.Step()) entries.push_back(ReadRow(s).entry);
    return entries;
  }

  void CheckContent(const Row& row, const Document& document) {
    Statement s(db, "SELECT canonical FROM documents WHERE key = ?");
    s.Bind(1, document.key);
    if (s.Step() && s.Text(0) != CanonicalContent(document)) {
      throw KeyConflictError("the key \"" + document.key +
                             "\" is already in the journal with other content (hash " +
                             row.entry.content_hash + ")");
    }
  }

  void Insert(const Document& d, std::string_view register_name, std::optional<std::int64_t> serial,
              const char* state) {
    Statement s(
        db,
        "INSERT INTO documents(key, content, canonical, hash, register_name, serial, state) "
        "VALUES(?, ?, ?, ?, ?, ?, ?)");
    s.Bind(1, d.key).Bind(2, ToJson(d)).Bind(3, CanonicalContent(d)).Bind(4, ContentHash(d));
    s.Bind(5, register_name).Bind(6, serial).Bind(7, std::string_view(state)).Run();
  }

  void SetState(std::string_view key, const char* state, std::optional<std::int64_t> serial) {
    Statement s(db,
                "UPDATE documents SET state = ?, serial = COALESCE(?, serial), "
                "updated = datetime('now') WHERE key = ?");
    s.Bind(1, std::string_view(state)).Bind(2, serial).Bind(3, key).Run();
  }

  void ClearSteps(std::string_view key) {
    Statement(db, "DELETE FROM steps WHERE key = ?").Bind(1, key).Run();
    Statement(db, "UPDATE documents SET progress = '' WHERE key = ?").Bind(1, key).Run();
  }

  std::vector<StepRecord> Steps(std::string_view key, bool& last_in_flight) {
    Statement s(db,
                "SELECT member, command, result, result_name, in_flight FROM steps "
                "WHERE key = ? ORDER BY idx");
    s.Bind(1, key);
    std::vector<StepRecord> steps;
    last_in_flight = false;
    while (s.Step()) {
      std::optional<std::int16_t> result;
      if (const auto r = s.OptionalInteger(2)) result = static_cast<std::int16_t>(*r);
      steps.push_back({s.Text(0), s.Text(1), result, s.Text(3)});
      last_in_flight = s.Integer(4) != 0;
    }
    return steps;
  }

  // A step's reply, the next step in flight and the runner's state.
  void Write(std::string_view key, const StepUpdate& update) {
    if (update.done && update.done_index) {
      Statement s(db,
                  "UPDATE steps SET command = ?, result = ?, result_name = ?, in_flight = 0 "
                  "WHERE key = ? AND idx = ?");
      std::optional<std::int64_t> result;
      if (update.done->result) result = *update.done->result;
      s.Bind(1, update.done->command).Bind(2, result).Bind(3, update.done->result_name);
      s.Bind(4, key).Bind(5, static_cast<std::int64_t>(*update.done_index)).Run();
    }
    if (update.sending) {
      Statement s(db,
                  "INSERT INTO steps(key, idx, member, command, result, result_name, in_flight) "
                  "VALUES(?, (SELECT COUNT(*) FROM steps WHERE key = ?), ?, ?, NULL, '', 1)");
      s.Bind(1, key).Bind(2, key).Bind(3, update.sending->member).Bind(4, update.sending->command);
      s.Run();
    }
    if (!update.progress.empty()) {
      Statement p(db, "UPDATE documents SET progress = ?, updated = datetime('now') WHERE key = ?");
      p.Bind(1, update.progress).Bind(2, key).Run();
    }
  }

  std::mutex mutex;
  Database db;
};

Journal::Journal(const std::string& path) : impl_(std::make_unique<Impl>(path)) {}
Journal::~Journal() = default;

const std::string& Journal::Path() const { return impl_->db.Path(); }

JournalEntry Journal::Enqueue(const Document& document, std::string_view register_name) {
  std::lock_guard lock(impl_->mutex);
  Transaction t(impl_->db);
  auto row = impl_->Find(document.key);
  if (!row) {
    impl_->Insert(document, register_name, std::nullopt, "queued");
  } else {
    impl_->CheckContent(*row, document);
    if (!IsFailed(row->entry)) return row->entry;
    impl_->ClearSteps(document.key);
    impl_->SetState(document.key, "queued", std::nullopt);
  }
  row = impl_->Find(document.key);
  t.Commit();
  return row->entry;
}

std::optional<JournalEntry> Journal::Lookup(std::string_view key) {
  std::lock_guard lock(impl_->mutex);
  auto row = impl_->Find(key);
  if (!row) return std::nullopt;
  return row->entry;
}

std::vector<JournalEntry> Journal::Unfinished(std::string_view register_name) {
  std::lock_guard lock(impl_->mutex);
  return impl_->Select("state IN ('queued', 'running') AND register_name = ?", register_name,
                       std::nullopt);
}

std::vector<JournalEntry> Journal::InFlight(std::int32_t serial) {
  std::lock_guard lock(impl_->mutex);
  return impl_->Select("state = 'running' AND serial = ?", "", serial);
}

StartResult Journal::Start(const Document& document, std::string_view register_name,
                           std::int32_t serial) {
  std::lock_guard lock(impl_->mutex);
  Transaction t(impl_->db);
  StartResult result;
  auto row = impl_->Find(document.key);
  if (row) impl_->CheckContent(*row, document);
  if (row && row->entry.state == EntryState::Finished && !IsFailed(row->entry)) {
    result.kind = StartKind::Replay;
    result.entry = row->entry;
    return result;
  }
  if (row && row->entry.state == EntryState::Running) {
    if (row->entry.serial && *row->entry.serial != serial) {
      throw RegisterMismatchError(
          "the document \"" + document.key + "\" is in flight on the register with fiscal serial " +
          std::to_string(*row->entry.serial) +
          " and can be finished only there; this register's serial is " + std::to_string(serial));
    }
    result.steps = impl_->Steps(document.key, result.last_in_flight);
    result.progress = row->progress;
    result.kind = result.steps.empty() ? StartKind::Fresh : StartKind::Resume;
  } else if (row) {
    impl_->ClearSteps(document.key);
    impl_->SetState(document.key, "running", serial);
  } else {
    impl_->Insert(document, register_name, serial, "running");
  }
  result.entry = impl_->Find(document.key)->entry;
  t.Commit();
  return result;
}

void Journal::Record(std::string_view key, const StepUpdate& update) {
  std::lock_guard lock(impl_->mutex);
  Transaction t(impl_->db);
  impl_->Write(key, update);
  t.Commit();
}

void Journal::Finish(std::string_view key, const Outcome& outcome, bool final,
                     const StepUpdate& last) {
  std::lock_guard lock(impl_->mutex);
  Transaction t(impl_->db);
  impl_->Write(key, last);
  Statement s(
      impl_->db,
      "UPDATE documents SET outcome = ?, state = ?, updated = datetime('now') WHERE key = ?");
  Outcome stored = outcome;
  stored.replayed = false;
  const bool finishes = final || outcome.status != Status::Uncertain;
  s.Bind(1, ToJson(stored))
      .Bind(2, std::string_view(finishes ? "finished" : "running"))
      .Bind(3, key);
  s.Run();
  t.Commit();
}

}  // namespace tavirel::documents
