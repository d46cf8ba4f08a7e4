// The outbox's table and triggers (schema 4), and its reader. The triggers
// make the rows inside the journal's own transactions, so the journal's code
// does not know the outbox exists.
#include "journal_outbox.hpp"

#include "sqlite_db.hpp"
#include "tavirel/documents/outbox.hpp"

namespace tavirel::documents {
namespace {

constexpr const char* kOutboxSchema = R"(
CREATE TABLE outbox(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  kind TEXT NOT NULL,
  key TEXT NOT NULL,
  register_name TEXT NOT NULL,
  state TEXT NOT NULL,
  outcome TEXT,
  made TEXT NOT NULL DEFAULT (strftime('%Y-%m-%dT%H:%M:%fZ', 'now')));
CREATE TABLE outbox_enabled(since TEXT NOT NULL);
CREATE TRIGGER outbox_admitted AFTER INSERT ON documents
  WHEN EXISTS (SELECT 1 FROM outbox_enabled)
BEGIN
  INSERT INTO outbox(kind, key, register_name, state, outcome)
    VALUES('state', NEW.key, NEW.register_name, NEW.state, NEW.outcome);
END;
CREATE TRIGGER outbox_changed AFTER UPDATE OF state ON documents
  WHEN NEW.state <> OLD.state AND EXISTS (SELECT 1 FROM outbox_enabled)
BEGIN
  INSERT INTO outbox(kind, key, register_name, state, outcome)
    VALUES('state', NEW.key, NEW.register_name, NEW.state, NEW.outcome);
END;
CREATE TRIGGER outbox_closure AFTER UPDATE OF state ON documents
  WHEN NEW.state = 'closed' AND OLD.state <> 'closed'
   AND (CASE WHEN json_valid(NEW.content) THEN json_extract(NEW.content, '$.report') END)
       = 'fiscal-closure'
   AND EXISTS (SELECT 1 FROM outbox_enabled)
BEGIN
  INSERT INTO outbox(kind, key, register_name, state, outcome)
    VALUES('closure', NEW.key, NEW.register_name, NEW.state, NEW.outcome);
END;
)";

constexpr const char* kAfter =
    "SELECT id, kind, key, register_name, state, outcome, made FROM outbox WHERE id > ? "
    "ORDER BY id LIMIT ?";
constexpr const char* kRemove = "DELETE FROM outbox WHERE id = ?";
constexpr const char* kCount = "SELECT count(*) FROM outbox";
constexpr const char* kEnabled = "SELECT count(*) FROM outbox_enabled";
constexpr const char* kEnable = "INSERT INTO outbox_enabled(since) VALUES(datetime('now'))";

}  // namespace

void AddOutbox(Database& db) { db.Exec(kOutboxSchema); }

struct Outbox::Impl {
  explicit Impl(const std::string& path) : db(path, false) {}
  Database db;
};

Outbox::Outbox(const std::string& path) : impl_(std::make_unique<Impl>(path)) {}
Outbox::~Outbox() = default;

void Outbox::Enable() {
  Transaction t(impl_->db);
  Query q(impl_->db, kEnabled);
  const bool enabled = q.Step() && q.Integer(0) > 0;
  if (!enabled) Query(impl_->db, kEnable).Run();
  t.Commit();
}

void Outbox::Disable() {
  Transaction t(impl_->db);
  impl_->db.Exec("DELETE FROM outbox_enabled; DELETE FROM outbox;");
  t.Commit();
}

std::vector<OutboxRow> Outbox::After(std::int64_t after, std::size_t limit) {
  std::vector<OutboxRow> rows;
  Query q(impl_->db, kAfter);
  q.Bind(1, after).Bind(2, static_cast<std::int64_t>(limit));
  while (q.Step()) {
    OutboxRow row;
    row.id = q.Integer(0);
    row.kind = q.Text(1) == "closure" ? OutboxKind::Closure : OutboxKind::StateChange;
    row.key = q.Text(2);
    row.register_name = q.Text(3);
    row.state = q.Text(4);
    if (!q.IsNull(5)) row.outcome = q.Text(5);
    row.made = q.Text(6);
    rows.push_back(std::move(row));
  }
  return rows;
}

void Outbox::Remove(const std::vector<std::int64_t>& ids) {
  // Not waiting for the disk: a row lost to a power loss is sent again, and
  // the receiver drops duplicates by key and state.
  Transaction t(impl_->db, false);
  for (const std::int64_t id : ids) Query(impl_->db, kRemove).Bind(1, id).Run();
  t.Commit();
}

std::size_t Outbox::Size() {
  Query q(impl_->db, kCount);
  return q.Step() ? static_cast<std::size_t>(q.Integer(0)) : 0;
}

const char* OutboxKindName(OutboxKind kind) {
  return kind == OutboxKind::Closure ? "closure" : "state";
}

}  // namespace tavirel::documents
